#pragma once
// The gallery's table of controls. Each control renderer lives in its own file and registers
// itself here with a name (the value of `--control`), a renderer for one instance, and an
// optional section of the sheet, so adding a control needs no edit to main.cpp.

#include "controls/PropertyBag.h"

#include <QImage>

#include <string>
#include <utility>
#include <vector>

namespace corvane::gallery {

/// What `--control NAME --size WxH [--state ...] [--set KEY=VALUE]...` asks for.
struct RenderRequest {
    int width = 0;
    int height = 0;
    /// The states named by `--state` (comma lists split), in order.
    std::vector<std::string> states;
    /// The `--set KEY=VALUE` pairs, in order.
    std::vector<std::pair<std::string, std::string>> sets;
};

/// Renders one control; `out` receives exactly the control's client pixels (width x height).
using RenderFn = bool (*)(const RenderRequest& request, QImage& out, std::string& error);
/// Draws the control's labelled section of the sheet.
using SheetFn = QImage (*)();

/// One registered control.
struct ControlEntry {
    const char* name;
    const char* states; // the states the renderer knows, for the usage text
    RenderFn render;
    SheetFn sheet; // may be null
};

/// Registers a control at start-up (a static object in the control's renderer file).
struct ControlRegistrar {
    ControlRegistrar(const char* name, const char* states, RenderFn render, SheetFn sheet);
};

/// The registered controls, in name order.
std::vector<ControlEntry> Controls();
/// The control of that name, or null.
const ControlEntry* FindControl(const std::string& name);

/// Writes each `--set` pair into the bag with the kind its key has in the schema (keys matched
/// without regard to case). Fails on an unknown key or a value that does not fit its kind.
bool ApplySets(controls::PropertyBag& bag, const std::vector<controls::PropertySpec>& schema,
               const std::vector<std::pair<std::string, std::string>>& sets, std::string& error);

/// Saves an image as PNG, or as binary PPM (P6) when the path ends in ".ppm".
bool SaveImage(const QImage& image, const std::string& path, std::string& error);

/// The background the gallery's host windows use (the form colour).
QColor FormColor();
/// Draws a caption line in the sheet's label font.
void DrawLabel(QImage& image, int x, int y, const QString& text, bool bold = false);

} // namespace corvane::gallery
