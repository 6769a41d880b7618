#include "values/properties.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "app/die.h"
#include "values/value_text.h"
#include "values/value_types.h"

namespace mibscope {

// The named flag bits, in the order the box lists them.
const flag_name flag_names[flag_name_count] = {
    {0x80000000, "RD"},      {0x40000000, "WR"},        {0x20000000, "DORMANT"},
    {0x10000000, "ANYBODY"}, {0x08000000, "SECURE"},    {0x04000000, "PRISON"},
    {0x02000000, "DYN"},     {0x01000000, "SKIP"},      {0x00080000, "TUN"},
    {0x00040000, "MPSAFE"},  {0x00020000, "VNET"},      {0x00010000, "DYING"},
    {0x00008000, "CAPRD"},   {0x00004000, "CAPWR"},     {0x00002000, "STATS"},
    {0x00001000, "NOFETCH"}, {0x00000800, "NEEDGIANT"},
};

namespace {

const char *const box_format = "\\ZbOID\\Zn: %s\n\n"
                               "\\ZbName\\Zn: %s\n\n"
                               "\\ZbDescription\\Zn: %s\n\n"
                               "\\ZbFlags\\Zn:%s\n\n"
                               "\\ZbType\\Zn: %s\n\n"
                               "\\ZbFormat\\Zn: %s\n\n"
                               "\\ZbHandler\\Zn: %s\n\n"
                               "\\ZbValue\\Zn:\n%s";

// The OID components as signed decimals separated by " .", as in 1 .2 .3.
std::string oid_text(const oidtree_object *node) {
    std::string text;
    char piece[16];
    for (uint64_t i = 0; i < node->level; ++i) {
        std::snprintf(piece, sizeof piece, "%s%d", i == 0 ? "" : " .", node->oid[i]);
        text += piece;
    }
    return text;
}

// The names of the set flag bits, in table order, joined by ", ".
std::string flags_text(uint32_t flags) {
    std::string text;
    for (const flag_name &f : flag_names) {
        if ((flags & f.bit) == 0)
            continue;
        if (!text.empty())
            text += ", ";
        text += f.name;
    }
    return text;
}

} // namespace

void show_properties(const boxkit_menuitem *rows, oidtree_object *const *row_nodes, int32_t focus) {
    if (rows == nullptr || row_nodes == nullptr || focus < 0 || row_nodes[focus] == nullptr)
        return;
    const char *title = rows[focus].name;
    const oidtree_object *node = row_nodes[focus];

    boxkit_conf conf;
    boxkit_initconf(&conf);

    const std::string oid = oid_text(node);
    const std::string flags = flags_text(node->flags);

    // Left false so that a failed query reads as no handler.
    bool has_handler = false;
    oidtree_hashandler(node->oid, node->level, &has_handler);

    char *value = nullptr;
    if (read_value(node, &value) != 0)
        die_errno("alloc memory getting value");

    const value_type *type = value_type_of(node->type);
    char *text = nullptr;
    if (asprintf(&text, box_format, oid.c_str(), node->name, node->description, flags.c_str(),
                 type != nullptr ? type->type_name : "",
                 node->format != nullptr ? node->format : "", has_handler ? "Defined" : "Undefined",
                 value) < 0) {
        const int err = errno;
        std::free(value);
        errno = err;
        die_errno("asprint() text properties window");
    }

    conf.title = title;
    conf.esc_enabled = true;
    conf.markup = true;
    conf.min_height = 15;
    conf.min_width = 45;
    conf.top_margin = 1;
    conf.bottom_margin = 1;
    conf.ok_button_label = "Close";

    const int code = boxkit_msgbox(&conf, text, 0, 0);
    std::free(text);
    std::free(value);
    if (code == BOXKIT_ERROR)
        die_boxkit();
}

} // namespace mibscope
