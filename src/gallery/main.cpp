// corvane-gallery: renders the custom controls to image files, so their looks can be checked by
// eye and compared pixel by pixel. `--sheet` draws every registered control's section on one
// labelled sheet; `--control` renders one instance with properties set through its saved-design
// keys.

#include "gallery/registry.h"
#include "platform/widgets/drawing.h"
#include "platform/widgets/windowservices.h"

#include <QApplication>
#include <QPainter>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

using corvane::gallery::RenderRequest;

int Usage(const std::string& message) {
    if (!message.empty())
        std::fprintf(stderr, "corvane-gallery: %s\n", message.c_str());
    std::fprintf(stderr, "usage: corvane-gallery --sheet OUT.png\n"
                         "       corvane-gallery --control NAME --size WxH [--state S[,S...]]... "
                         "[--set KEY=VALUE]... --out FILE.png|FILE.ppm\n"
                         "controls:\n");
    for (const auto& c : corvane::gallery::Controls())
        std::fprintf(stderr, "  %-12s states: %s\n", c.name, c.states);
    return 2;
}

std::vector<std::string> SplitCommas(const std::string& s) {
    std::vector<std::string> out;
    std::size_t start = 0;
    while (start <= s.size()) {
        const std::size_t comma = s.find(',', start);
        const std::string part =
            s.substr(start, comma == std::string::npos ? comma : comma - start);
        if (!part.empty())
            out.push_back(part);
        if (comma == std::string::npos)
            break;
        start = comma + 1;
    }
    return out;
}

int RenderSheet(const std::string& out) {
    std::vector<QImage> sections;
    int width = 0, height = 0;
    for (const auto& c : corvane::gallery::Controls()) {
        if (c.sheet == nullptr)
            continue;
        sections.push_back(c.sheet());
        width = std::max(width, sections.back().width());
        height += sections.back().height();
    }
    if (sections.empty())
        return Usage("no control draws a sheet section");
    QImage sheet(width, height, QImage::Format_RGB32);
    sheet.fill(Qt::white);
    {
        QPainter p(&sheet);
        int y = 0;
        for (const QImage& s : sections) {
            p.drawImage(0, y, s);
            y += s.height();
        }
    }
    std::string error;
    if (!corvane::gallery::SaveImage(sheet, out, error)) {
        std::fprintf(stderr, "corvane-gallery: %s\n", error.c_str());
        return 1;
    }
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    // The gallery draws into images; it needs no display.
    if (std::getenv("QT_QPA_PLATFORM") == nullptr)
        ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);
    corvane::platform::InstallWidgetServices();
    corvane::platform::EnsureFonts();

    std::string sheet, control, out;
    RenderRequest request;
    bool sized = false;
    const std::vector<std::string> args(argv + 1, argv + argc);
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        auto value = [&](std::string& into) {
            if (i + 1 >= args.size())
                return false;
            into = args[++i];
            return true;
        };
        std::string v;
        if (a == "--help" || a == "-h") {
            Usage("");
            return 0;
        } else if (a == "--sheet") {
            if (!value(sheet))
                return Usage("--sheet needs a file");
        } else if (a == "--control") {
            if (!value(control))
                return Usage("--control needs a name");
        } else if (a == "--out") {
            if (!value(out))
                return Usage("--out needs a file");
        } else if (a == "--size") {
            if (!value(v) ||
                std::sscanf(v.c_str(), "%dx%d", &request.width, &request.height) != 2 ||
                request.width <= 0 || request.height <= 0)
                return Usage("--size needs WxH with positive numbers");
            sized = true;
        } else if (a == "--state") {
            if (!value(v))
                return Usage("--state needs a state");
            for (const std::string& s : SplitCommas(v))
                request.states.push_back(s);
        } else if (a == "--set") {
            if (!value(v) || v.find('=') == std::string::npos)
                return Usage("--set needs KEY=VALUE");
            const std::size_t eq = v.find('=');
            request.sets.emplace_back(v.substr(0, eq), v.substr(eq + 1));
        } else {
            return Usage("unknown argument " + a);
        }
    }
    if (!sheet.empty())
        return RenderSheet(sheet);
    if (control.empty())
        return Usage("give --sheet or --control");
    const auto* entry = corvane::gallery::FindControl(control);
    if (entry == nullptr)
        return Usage("unknown control " + control);
    if (!sized)
        return Usage("--control needs --size WxH");
    if (out.empty())
        return Usage("--control needs --out FILE");
    QImage image;
    std::string error;
    if (!entry->render(request, image, error)) {
        std::fprintf(stderr, "corvane-gallery: %s\n", error.c_str());
        return 2;
    }
    if (!corvane::gallery::SaveImage(image, out, error)) {
        std::fprintf(stderr, "corvane-gallery: %s\n", error.c_str());
        return 1;
    }
    return 0;
}
