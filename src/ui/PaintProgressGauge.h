// The painter's progress gauge: a pop-up horizontal scroll-bar control whose
// thumb follows the rows painted. It exists only while a painting call runs.
#pragma once

#include <windows.h>

#include "frame/PcxThreadState.h"
#include "win/HandleGuards.h"

class PaintProgressGauge {
public:
    // Shows the gauge for `rows` rows at position 0; when the window cannot
    // be made the gauge is simply absent and painting goes on.
    explicit PaintProgressGauge(LONG rows) {
        window_.reset(CreateWindowExW(0, L"scrollbar", nullptr, WS_POPUP | WS_VISIBLE, kLeft, kTop, kWidth,
                                      kHeight, nullptr, nullptr, GetKyPcxInstance(), nullptr));
        if (!window_) return;
        ShowWindow(window_.get(), SW_SHOWNORMAL);
        UpdateWindow(window_.get());
        SetScrollRange(window_.get(), SB_CTL, 0, rows, FALSE);
        SetScrollPos(window_.get(), SB_CTL, 0, TRUE);
    }
    PaintProgressGauge(const PaintProgressGauge&) = delete;
    PaintProgressGauge& operator=(const PaintProgressGauge&) = delete;

    // Moves the thumb every tenth row, which is as often as anyone can see it move.
    void RowsPainted(LONG rows) {
        if (window_ && rows % kRowsPerStep == 0) SetScrollPos(window_.get(), SB_CTL, rows, TRUE);
    }

private:
    static constexpr int kLeft = 180, kTop = 160, kWidth = 240, kHeight = 48;  // screen pixels
    static constexpr LONG kRowsPerStep = 10;
    ScopedWindow window_;
};
