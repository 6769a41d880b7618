// The settings and the text of the program's main menu, for the dialog tests
// and the driver program.
#pragma once

#include "platform/boxkit.h"

inline constexpr char main_menu_help[] =
    "MibScope presents a snapshot of the sysctl MIB hierarchy.\n\nKeys:\n \\ZbUp / Down\\Zn: "
    "Navigate through and select nodes.\n \\ZbHome\\Zn: Jump to the first node in the list.\n "
    "\\ZbEnd\\Zn: Jump to the last node in the list.";
inline constexpr char main_menu_text[] = "\\ZbF1\\Zn for help. \\ZbESC\\Zn or \\ZbQ\\Zn for quit.";
inline constexpr unsigned main_menu_list_height = 30;

inline boxkit_conf main_menu_conf() {
    boxkit_conf conf;
    boxkit_initconf(&conf);
    conf.title = " MibScope 0.0.3";
    conf.top_margin = conf.bottom_margin = 1;
    conf.esc_enabled = conf.markup = conf.menu_align_left = true;
    conf.menu_hide_descriptions = conf.menu_button_shortcuts = true;
    conf.help_text = main_menu_help;
    conf.left_button1_label = "Navigate";
    conf.left_button2_label = "Properties";
    conf.left_button3_label = "Set Value";
    conf.hide_ok_button = conf.hide_cancel_button = true;
    conf.right_button1_label = "Quit";
    return conf;
}
