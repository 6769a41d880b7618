// Shows one boxkit dialog with settings from the command line, then prints
// what the dialog returned: the return code, the focus and the field values.
// The tests run it inside tmux.
//
//   boxkit_driver msgbox|infobox|menu|form [options]
//
// Texts accept the escapes \n, \t, \e, \xHH and \\; any other backslash (such
// as the markup \Zb) stays as it is.
#include <cctype>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <fstream>
#include <sstream>
#include <string>
#include <unistd.h>
#include <vector>

#include "platform/boxkit.h"
#include "tests/boxkit/main_menu.h"

namespace {

std::string unescape(const std::string &in) {
    std::string out;
    for (size_t i = 0; i < in.size(); ++i) {
        if (in[i] != '\\' || i + 1 == in.size()) {
            out += in[i];
            continue;
        }
        const char c = in[i + 1];
        if (c == 'n') {
            out += '\n';
        } else if (c == 't') {
            out += '\t';
        } else if (c == 'e') {
            out += '\x1b';
        } else if (c == '\\') {
            out += '\\';
        } else if (c == 'x' && i + 3 < in.size() &&
                   std::isxdigit(static_cast<unsigned char>(in[i + 2])) &&
                   std::isxdigit(static_cast<unsigned char>(in[i + 3]))) {
            out += static_cast<char>(std::stoi(in.substr(i + 2, 2), nullptr, 16));
            i += 2;
        } else {
            out += '\\';
            out += c;
        }
        ++i;
    }
    return out;
}

std::string read_file(const char *path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream all;
    all << in.rdbuf();
    return all.str();
}

std::vector<std::string> split(const std::string &s, char sep) {
    std::vector<std::string> parts;
    std::string part;
    std::istringstream in(s);
    while (std::getline(in, part, sep))
        parts.push_back(part);
    if (!s.empty() && s.back() == sep)
        parts.emplace_back();
    return parts;
}

// A value as printed: control bytes and backslashes escaped, the rest as is.
std::string shown(const char *text) {
    if (!text)
        return "(null)";
    std::string out;
    for (const char *p = text; *p; ++p) {
        const auto c = static_cast<unsigned char>(*p);
        char buf[8];
        if (c == '\\') {
            out += "\\\\";
        } else if (c < 0x20 || c == 0x7f) {
            std::snprintf(buf, sizeof buf, "\\x%02x", c);
            out += buf;
        } else {
            out += static_cast<char>(c);
        }
    }
    return out;
}

uint32_t number(const char *s) {
    return static_cast<uint32_t>(std::strtoul(s, nullptr, 0));
}

} // namespace

int main(int argc, char **argv) {
    std::setlocale(LC_ALL, "");
    if (argc < 2) {
        std::fprintf(stderr, "usage: boxkit_driver msgbox|infobox|menu|form [options]\n");
        return 2;
    }
    const std::string dialog = argv[1];
    boxkit_conf conf;
    boxkit_initconf(&conf);
    // Texts and rows live until the end of main.
    std::deque<std::string> texts; // stable addresses as it grows
    auto keep = [&](std::string s) { return texts.emplace_back(std::move(s)).c_str(); };
    const char *text = "";
    int height = 0, width = 0, focus = 0, form_height = 0;
    bool null_focus = false;
    unsigned list_height = 0;
    std::vector<boxkit_menuitem> items;
    std::vector<boxkit_formitem> fields;

    for (int i = 2; i < argc; ++i) {
        const std::string opt = argv[i];
        auto arg = [&]() -> const char * {
            if (i + 1 >= argc) {
                std::fprintf(stderr, "%s needs an argument\n", opt.c_str());
                std::exit(2);
            }
            return argv[++i];
        };
        auto text_arg = [&] { return keep(unescape(arg())); };
        if (opt == "--title")
            conf.title = text_arg();
        else if (opt == "--text")
            text = text_arg();
        else if (opt == "--text-file")
            text = keep(read_file(arg()));
        else if (opt == "--height")
            height = static_cast<int>(std::strtol(arg(), nullptr, 0));
        else if (opt == "--width")
            width = static_cast<int>(std::strtol(arg(), nullptr, 0));
        else if (opt == "--esc")
            conf.esc_enabled = true;
        else if (opt == "--markup")
            conf.markup = true;
        else if (opt == "--min-height")
            conf.min_height = number(arg());
        else if (opt == "--min-width")
            conf.min_width = number(arg());
        else if (opt == "--top-margin")
            conf.top_margin = number(arg());
        else if (opt == "--bottom-margin")
            conf.bottom_margin = number(arg());
        else if (opt == "--ok-label")
            conf.ok_button_label = text_arg();
        else if (opt == "--hide-ok")
            conf.hide_ok_button = true;
        else if (opt == "--hide-cancel")
            conf.hide_cancel_button = true;
        else if (opt == "--left1")
            conf.left_button1_label = text_arg();
        else if (opt == "--left2")
            conf.left_button2_label = text_arg();
        else if (opt == "--left3")
            conf.left_button3_label = text_arg();
        else if (opt == "--right1")
            conf.right_button1_label = text_arg();
        else if (opt == "--help-text")
            conf.help_text = text_arg();
        else if (opt == "--align-left")
            conf.menu_align_left = true;
        else if (opt == "--hide-descriptions")
            conf.menu_hide_descriptions = true;
        else if (opt == "--shortcuts")
            conf.menu_button_shortcuts = true;
        else if (opt == "--list-height")
            list_height = number(arg());
        else if (opt == "--focus")
            focus = static_cast<int>(std::strtol(arg(), nullptr, 0));
        else if (opt == "--null-focus")
            null_focus = true;
        else if (opt == "--form-height")
            form_height = static_cast<int>(number(arg()));
        else if (opt == "--main-menu") {
            // The program's main menu.
            conf = main_menu_conf();
            text = main_menu_text;
            list_height = main_menu_list_height;
        } else if (opt == "--item") {
            // PREFIX|DEPTH|NAME|DESCRIPTION|BOTTOM
            std::vector<std::string> p = split(unescape(arg()), '|');
            p.resize(5);
            items.push_back(
                {keep(p[0]), false, number(p[1].c_str()), keep(p[2]), keep(p[3]), keep(p[4])});
        } else if (opt == "--rows") {
            const uint32_t n = number(arg());
            for (uint32_t r = 0; r < n; ++r) {
                const std::string id = std::to_string(r);
                items.push_back({"", false, 0, keep("row " + id), keep("description " + id),
                                 keep("bottom " + id)});
            }
        } else if (opt == "--field") {
            // LABEL|LROW|LCOL|INITIAL|FROW|FCOL|WIDTH|MAXLEN|FLAGS
            std::vector<std::string> p = split(unescape(arg()), '|');
            p.resize(9);
            fields.push_back({keep(p[0]), number(p[1].c_str()), number(p[2].c_str()), keep(p[3]),
                              number(p[4].c_str()), number(p[5].c_str()), number(p[6].c_str()),
                              number(p[7].c_str()), nullptr, number(p[8].c_str()), nullptr});
        } else if (opt == "--initial-file") {
            if (fields.empty()) {
                std::fprintf(stderr, "--initial-file follows a --field\n");
                return 2;
            }
            fields.back().initial_text = keep(read_file(arg()));
        } else {
            std::fprintf(stderr, "unknown option %s\n", opt.c_str());
            return 2;
        }
    }

    if (boxkit_init() == BOXKIT_ERROR) {
        boxkit_end(); // harmless after a failed start; the error text outlives it
        std::printf("init failed: %s\n", boxkit_geterror());
        return 1;
    }
    int rc = BOXKIT_ERROR;
    if (dialog == "msgbox") {
        rc = boxkit_msgbox(&conf, text, height, width);
    } else if (dialog == "infobox") {
        rc = boxkit_infobox(&conf, text, height, width);
        char key;
        if (read(STDIN_FILENO, &key, 1) < 0)
            rc = BOXKIT_ERROR;
    } else if (dialog == "menu") {
        rc = boxkit_menu(&conf, text, height, width, list_height, static_cast<int>(items.size()),
                         items.data(), null_focus ? nullptr : &focus);
    } else if (dialog == "form") {
        rc = boxkit_form(&conf, text, height, width, static_cast<unsigned>(form_height),
                         static_cast<unsigned>(fields.size()), fields.data(),
                         null_focus ? nullptr : &focus);
    }
    const std::string error = rc == BOXKIT_ERROR ? boxkit_geterror() : "";
    boxkit_end();
    boxkit_end(); // a second end is harmless
    std::printf("rc=%d\n", rc);
    if (dialog == "menu" || dialog == "form")
        std::printf("focus=%d\n", focus);
    for (size_t f = 0; f < fields.size(); ++f) {
        std::printf("value%zu=%s\n", f, shown(fields[f].value).c_str());
        std::free(fields[f].value);
    }
    if (rc == BOXKIT_ERROR)
        std::printf("error=%s\n", error.c_str());
    return 0;
}
