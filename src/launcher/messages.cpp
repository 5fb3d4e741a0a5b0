#include "launcher/messages.h"

#include <array>
#include <cstdlib>
#include <string_view>
#include <utility>

namespace kelp {
namespace {

using Entry = std::pair<std::string_view, std::string_view>;

// English, and the same in Simplified Chinese; "%s" stands for a kept text.
constexpr std::array kChinese{
    // The command line.
    Entry{"argument too long", "参数太长"},
    Entry{"--help takes nothing more", "--help 后面不能再有参数"},
    Entry{"--version takes nothing more", "--version 后面不能再有参数"},
    Entry{"--folder takes one folder", "--folder 后面要有一个文件夹"},
    Entry{"--user-folder takes nothing more", "--user-folder 后面不能再有参数"},
    Entry{"--autostart takes on or off", "--autostart 后面要有 on 或 off"},
    Entry{"unknown command: %s", "未知命令：%s"},
    Entry{"one command at a time", "一次只能发送一个命令"},
    Entry{"use kelpword for this", "请用 kelpword 命令做这件事"},
    Entry{"%s is not installed beside kelpword", "%s 没有和 kelpword 安装在一起"},
    Entry{"cannot start %s", "无法启动 %s"},
    // kelpword-gui, before its toolkit runs.
    Entry{"no X11 display could be opened (DISPLAY=\"%s\"). Kelp Words needs an X11 display; in a Wayland session "
          "XWayland provides one (install and enable it), without any desktop use xvfb-run kelpword.",
          "无法打开 X11 显示（DISPLAY=\"%s\"）。海带单词需要 X11 显示；在 Wayland 会话中由 XWayland 提供"
          "（请安装并启用它），没有桌面时请用 xvfb-run kelpword。"},
    // The control channel and the running copy's answers.
    Entry{"no running copy of kelpword", "海带单词没有在运行"},
    Entry{"%s is not this user's private control socket; not used", "%s 不是本用户私有的控制套接字，未使用"},
    Entry{"the control socket's path is too long", "控制套接字的路径太长"},
    Entry{"the running copy did not answer", "正在运行的程序没有回应"},
    Entry{"error: unknown command", "错误：正在运行的程序不认识这个命令"},
    // The usage's descriptions (the text from its column 37 on).
    Entry{"run the trainer in the current folder", "在当前文件夹运行背单词程序"},
    Entry{"run it with DIR as the program folder", "以 DIR 为程序文件夹运行"},
    Entry{"run it in ~/.local/share/kelpword (made on first use)",
          "在 ~/.local/share/kelpword 运行（首次使用时建立，菜单里的程序也用它）"},
    Entry{"send a command to the running trainer", "向正在运行的程序发送命令"},
    Entry{"start it at login, or no longer", "登录时自动启动，或不再自动启动"},
    Entry{"add word lists (CSV, TSV, Anki, KVTML, word#meaning)", "导入单词表（CSV、TSV、Anki、KVTML、单词#释义）"},
    Entry{"today's groups, the next 14 days, the stages", "今天的组、今后 14 天的组、各复习阶段"},
    Entry{"words to a spreadsheet, a word file or Anki", "把单词导出为表格、单词文件或 Anki"},
    Entry{"the words window of a folder, without the trainer", "打开某个文件夹的单词窗口，不启动背单词程序"},
};

// Where the usage's descriptions begin.
constexpr size_t kDescriptionColumn = 36;

bool matches(std::string_view pattern, std::string_view text, std::string_view *kept)
{
    const size_t hole = pattern.find("%s");
    if (hole == std::string_view::npos)
        return pattern == text;
    const std::string_view head = pattern.substr(0, hole);
    const std::string_view tail = pattern.substr(hole + 2);
    if (text.size() < head.size() + tail.size() || text.substr(0, head.size()) != head ||
        text.substr(text.size() - tail.size()) != tail)
        return false;
    *kept = text.substr(head.size(), text.size() - head.size() - tail.size());
    return true;
}

std::string_view environment(const char *name)
{
    const char *value = std::getenv(name);
    return value ? value : "";
}

} // namespace

bool chineseReader()
{
    std::string_view language = environment("LANGUAGE");
    language = language.substr(0, language.find(':'));
    for (const char *name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        if (!language.empty())
            break;
        language = environment(name);
    }
    // Simplified Chinese is what there is: for zh_CN, zh_SG and plain zh.
    return language == "zh" || language.substr(0, 5) == "zh_CN" || language.substr(0, 5) == "zh_SG" ||
           language.substr(0, 5) == "zh-CN" || language.substr(0, 7) == "zh_Hans";
}

std::string translated(const std::string &english)
{
    if (!chineseReader())
        return english;
    for (const auto &[from, to] : kChinese) {
        std::string_view kept;
        if (!matches(from, english, &kept))
            continue;
        std::string text(to);
        if (const size_t hole = text.find("%s"); hole != std::string::npos)
            text.replace(hole, 2, kept);
        return text;
    }
    return english;
}

std::string usageInReadersLanguage(const std::string &usage)
{
    if (!chineseReader())
        return usage;
    std::string out;
    size_t start = 0;
    while (start < usage.size()) {
        size_t end = usage.find('\n', start);
        if (end == std::string::npos)
            end = usage.size();
        std::string line = usage.substr(start, end - start);
        start = end + 1;
        // The synopses stay; the descriptions and the labels are said in Chinese,
        // the labels padded to the width of the English ones on a terminal.
        if (line.size() > kDescriptionColumn && line[kDescriptionColumn] != ' ' &&
            line.compare(kDescriptionColumn - 2, 2, "  ") == 0)
            line = line.substr(0, kDescriptionColumn) + translated(line.substr(kDescriptionColumn));
        if (line.rfind("usage:", 0) == 0)
            line.replace(0, 6, "用法：");
        else if (line.rfind("commands:", 0) == 0)
            line.replace(0, 9, "命令：   ");
        out += line + '\n';
    }
    return out;
}

} // namespace kelp
