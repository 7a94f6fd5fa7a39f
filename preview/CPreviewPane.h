// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "imaging/picture/Bitmap.h"
#include "preview/PaneView.h"

#include <QFrame>
#include <QImage>

#include <string>

class QScrollBar;

namespace velmora {

class Platform;

// A child window that shows one picture file: loaded through FreeImage, kept
// while shown, painted fitted to the pane or at a zoom with scroll bars.
// Zoom is driven from outside (ZoomIn, ZoomOut); panning only through the
// pane's scroll bars. There is no mouse or keyboard handling of its own.
//
// Invariants: the offsets are between 0 and MaxOffset for the current zoom
// and client area; an empty pane has no bitmap, zoom 1.0 and fit mode on;
// the picture is drawn straight from the library's pixel rows.
class CPreviewPane : public QFrame {
    Q_OBJECT

public:
    CPreviewPane(Platform& platform, QWidget* parent);
    ~CPreviewPane() override;

    // Loads a picture; false (after a message) when the name is empty or the
    // file cannot be read. The previous picture is gone in either case but
    // the first.
    bool LoadFile(const std::string& fileName);
    void UnloadImage();
    void UpdateScrollBars();
    double FitToPane();
    double ZoomIn();
    double ZoomOut();
    void SetScrollOffsets(int x, int y);

    const PaneView& View() const { return view_; }
    const std::string& FileName() const { return fileName_; }
    bool ShowsPicture() const { return bitmap_ != nullptr; }
    // The client area: inside the border, without visible scroll bars.
    PaneClient Client() const;
    QScrollBar* HorizontalBar() const { return horizontal_; }
    QScrollBar* VerticalBar() const { return vertical_; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    // Shows the view a zoom command left, or switches to fit mode.
    double ShowZoom(ZoomNext next);
    void OnScroll(QScrollBar* bar, int action);
    void PlaceScrollBars();

    Platform& platform_;
    Bitmap bitmap_;
    QImage rows_; // over the bitmap's own pixel buffer, bottom row first
    std::string fileName_;
    PaneView view_;
    QScrollBar* horizontal_;
    QScrollBar* vertical_;
};

} // namespace velmora
