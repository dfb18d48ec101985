#pragma once
// What the scanner window asks of the eraser window when it hands the user over for a clean.
// The eraser window implements this; the scanner never sees more of it.

#include <string>

namespace corvane {

/// The eraser window as the scanner window talks to it.
class EraserWindow {
public:
    virtual ~EraserWindow() = default;
    /// Sets the value of its progress bar (`AdvProgressBar1.Value`).
    virtual void SetProgressValue(int value) = 0;
    /// Enables or disables "Proceed With Clean" and "Skip Operation" together.
    virtual void SetCleanButtonsEnabled(bool enabled) = 0;
    /// Sets the text of its status label (`Label2`).
    virtual void SetStatusText(const std::string& text) = 0;
    /// Shows it, modeless.
    virtual void ShowWindow() = 0;
};

} // namespace corvane
