// The gallery's GroupBox renderer: one box with its properties loaded from a property bag, and
// the sheet section with the themed and classic looks. Which look a box draws is the world's
// theme fact, so the states "themed" and "classic" render inside a throwaway world that says so.

#include "controls/GroupBox.h"
#include "controls/XP_ProgressBar.h"
#include "gallery/registry.h"
#include "platform/messageloop.h"
#include "platform/world.h"

#include <QPainter>
#include <QTemporaryDir>

#include <cstdlib>
#include <fstream>
#include <optional>

namespace corvane::gallery {

namespace {

using controls::GroupBox;
using controls::PropertyBag;

constexpr const char* kStates = "themed, classic (default: as the world says)";

/// Points the program at a fresh world whose theme fact is given, for as long as it lives.
class ScopedThemeWorld {
public:
    explicit ScopedThemeWorld(bool themed) {
        if (const char* p = std::getenv("CORVANE_PREFIX"))
            saved_ = p;
        if (!dir_.isValid())
            return;
        const std::string prefix = dir_.path().toStdString();
        std::ofstream(prefix + "/world.conf") << "themes = " << (themed ? "yes" : "no") << "\n";
        ::setenv("CORVANE_PREFIX", prefix.c_str(), 1);
    }
    ~ScopedThemeWorld() {
        if (saved_)
            ::setenv("CORVANE_PREFIX", saved_->c_str(), 1);
        else
            ::unsetenv("CORVANE_PREFIX");
    }
    ScopedThemeWorld(const ScopedThemeWorld&) = delete;
    ScopedThemeWorld& operator=(const ScopedThemeWorld&) = delete;

private:
    QTemporaryDir dir_;
    std::optional<std::string> saved_;
};

/// Renders one box of the size with the bag's properties; with `child`, a bar sits inside it.
QImage RenderBox(const PropertyBag& bag, int w, int h, bool child) {
    GroupBox box(nullptr, "GroupBox1");
    box.resize(w, h);
    controls::XP_ProgressBar bar(&box);
    bar.setVisible(child);
    if (child) {
        bar.setGeometry(12, h / 2, w - 24, 18);
        bar.SetColor(platform::Color(0x0000C0u));
        bar.SetScrolling(5);
        bar.SetValue(60);
    }
    box.ReadProperties(bag);
    return box.grab().toImage().convertToFormat(QImage::Format_RGB32);
}

bool Render(const RenderRequest& request, QImage& out, std::string& error) {
    std::optional<bool> themed;
    for (const std::string& s : request.states) {
        if (s == "themed" || s == "classic") {
            themed = s == "themed";
            continue;
        }
        error = "unknown state \"" + s + "\" (known: " + kStates + ")";
        return false;
    }
    PropertyBag bag;
    if (!ApplySets(bag, GroupBox::PropertyKeys(), request.sets, error))
        return false;
    // A refused back style shows its message; the gallery has nobody to read it.
    const platform::ScopedAnswerer answerer([&error](const platform::MessageBoxRequest& box) {
        error = box.text;
        return static_cast<int>(platform::vbOK);
    });
    std::optional<ScopedThemeWorld> world;
    if (themed)
        world.emplace(*themed);
    out = RenderBox(bag, request.width, request.height, false);
    return error.empty();
}

QImage Sheet() {
    struct Column {
        const char* title;
        bool themed;
        int appearance;
        int borderStyle;
    };
    const Column columns[] = {
        {"themed", true, 1, 1},
        {"classic, Appearance 1", false, 1, 1},
        {"classic, Appearance 0", false, 0, 1},
        {"BorderStyle 0", false, 1, 0},
    };
    struct Row {
        const char* title;
        const char* caption;
        bool enabled;
        bool child;
    };
    const Row rows[] = {
        {"caption \"&Secure\"", "&Secure", true, true},
        {"disabled", "&Secure", false, false},
        {"empty caption", "", true, false},
        {"\"Cookies && &Cache\"", "Cookies && &Cache", true, false},
    };
    const int bw = 200, bh = 84, cw = 216, ch = 100, left = 150, top = 40;
    QImage sheet(left + cw * 4 + 8, top + ch * static_cast<int>(std::size(rows)) + 8,
                 QImage::Format_RGB32);
    sheet.fill(Qt::white);
    DrawLabel(sheet, 8, 6, QStringLiteral("GroupBox: themed and classic looks"), true);
    for (int c = 0; c < 4; ++c)
        DrawLabel(sheet, left + c * cw, top - 16, QString::fromLatin1(columns[c].title));
    for (int r = 0; r < static_cast<int>(std::size(rows)); ++r) {
        const int y = top + r * ch;
        DrawLabel(sheet, 8, y + 4, QString::fromLatin1(rows[r].title));
        for (int c = 0; c < 4; ++c) {
            PropertyBag bag;
            bag.WriteString("Caption", rows[r].caption);
            bag.WriteBool("Enabled", rows[r].enabled);
            bag.WriteInteger("Appearance", static_cast<std::int16_t>(columns[c].appearance));
            bag.WriteLong("BorderStyle", columns[c].borderStyle);
            const ScopedThemeWorld world(columns[c].themed);
            QPainter(&sheet).drawImage(left + c * cw, y, RenderBox(bag, bw, bh, rows[r].child));
        }
    }
    return sheet;
}

const ControlRegistrar kGroupBox("groupbox", kStates, &Render, &Sheet);

} // namespace

} // namespace corvane::gallery
