// The gallery's control table and the helpers every renderer shares.

#include "gallery/registry.h"

#include "platform/widgets/drawing.h"

#include <QFont>
#include <QPainter>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <map>

namespace corvane::gallery {

namespace {

std::map<std::string, ControlEntry>& Table() {
    static std::map<std::string, ControlEntry> table;
    return table;
}

} // namespace

ControlRegistrar::ControlRegistrar(const char* name, const char* states, RenderFn render,
                                   SheetFn sheet) {
    Table()[name] = ControlEntry{name, states, render, sheet};
}

std::vector<ControlEntry> Controls() {
    std::vector<ControlEntry> out;
    for (const auto& [name, entry] : Table())
        out.push_back(entry);
    return out;
}

const ControlEntry* FindControl(const std::string& name) {
    const auto it = Table().find(name);
    return it == Table().end() ? nullptr : &it->second;
}

bool ApplySets(controls::PropertyBag& bag, const std::vector<controls::PropertySpec>& schema,
               const std::vector<std::pair<std::string, std::string>>& sets, std::string& error) {
    for (const auto& [key, value] : sets) {
        const auto spec = std::find_if(schema.begin(), schema.end(), [&](const auto& s) {
            return controls::KeyEquals(s.key, key);
        });
        if (spec == schema.end()) {
            error = "unknown property key \"" + key + "\"";
            return false;
        }
        if (!bag.WriteText(spec->key, spec->kind, value, error))
            return false;
    }
    return true;
}

bool SaveImage(const QImage& image, const std::string& path, std::string& error) {
    const bool ppm = path.size() >= 4 && strcasecmp(path.c_str() + path.size() - 4, ".ppm") == 0;
    if (!ppm) {
        if (!image.save(QString::fromStdString(path), "PNG")) {
            error = "can't write " + path;
            return false;
        }
        return true;
    }
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (f == nullptr) {
        error = "can't write " + path;
        return false;
    }
    const QImage rgb = image.convertToFormat(QImage::Format_RGB888);
    std::fprintf(f, "P6\n%d %d\n255\n", rgb.width(), rgb.height());
    bool ok = true;
    for (int y = 0; y < rgb.height() && ok; ++y)
        ok = std::fwrite(rgb.constScanLine(y), 3, static_cast<std::size_t>(rgb.width()), f) ==
             static_cast<std::size_t>(rgb.width());
    ok = (std::fclose(f) == 0) && ok;
    if (!ok)
        error = "can't write " + path;
    return ok;
}

QColor FormColor() {
    return platform::GetSysColor(platform::COLOR_BTNFACE).ToQColor();
}

void DrawLabel(QImage& image, int x, int y, const QString& text, bool bold) {
    QPainter p(&image);
    QFont f(QStringLiteral("DejaVu Sans"));
    f.setPixelSize(11);
    f.setBold(bold);
    p.setFont(f);
    p.setPen(Qt::black);
    p.drawText(x, y + QFontMetrics(f).ascent(), text);
}

} // namespace corvane::gallery
