#pragma once
// Creating the controls of a window. A child widget belongs to its parent: Qt destroys it with
// the parent, so this is the one place where a window's controls are allocated.

#include <QRect>
#include <QWidget>

#include <utility>

namespace corvane::controls {

/// Creates a control owned by `parent` at `geometry` (pixels in the parent) and shows it.
template <class Control, class... Args>
Control* MakeChild(QWidget* parent, const QRect& geometry, Args&&... args) {
    auto* control = new Control(parent, std::forward<Args>(args)...); // owned by `parent`
    control->setGeometry(geometry);
    return control;
}

} // namespace corvane::controls
