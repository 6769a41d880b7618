#include "app/options.h"

namespace mibscope {

options default_options() {
    return options{
        .show_values = false,
        .full_names = false,
        .show_descriptions = false,
        .expandable_label = "+",
        .expanded_label = "-",
        .leaf_label = "",
        .indent = 1,
    };
}

options opts = default_options();

} // namespace mibscope
