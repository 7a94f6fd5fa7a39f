// SPDX-License-Identifier: GPL-3.0-or-later

#include "preview/CPreviewPane.h"

#include "imaging/stereo/RoutineSteps.h"
#include "platform/Platform.h"

#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>

namespace velmora {
namespace {

// A QImage over the library's pixel rows, without copying or converting
// them; a null image for layouts that Qt cannot draw (4-bit, 16 bits per
// channel, floating point), which then show the background only.
QImage ImageOverRows(FIBITMAP* bitmap)
{
    if (FreeImage_GetImageType(bitmap) != FIT_BITMAP)
        return {};
    const int width = Width(bitmap), height = Height(bitmap);
    const auto pitch = static_cast<qsizetype>(FreeImage_GetPitch(bitmap));
    uchar* bits = FreeImage_GetBits(bitmap);
    auto withPalette = [&](QImage image) {
        const RGBQUAD* palette = FreeImage_GetPalette(bitmap);
        QList<QRgb> colours;
        for (unsigned i = 0; i < FreeImage_GetColorsUsed(bitmap); ++i)
            colours.append(qRgb(palette[i].rgbRed, palette[i].rgbGreen, palette[i].rgbBlue));
        image.setColorTable(colours);
        return image;
    };
    switch (BitsPerPixel(bitmap)) {
    case 1:
        return withPalette(QImage(bits, width, height, pitch, QImage::Format_Mono));
    case 8:
        return withPalette(QImage(bits, width, height, pitch, QImage::Format_Indexed8));
    case 16:
        return FreeImage_GetGreenMask(bitmap) == FI16_565_GREEN_MASK
                   ? QImage(bits, width, height, pitch, QImage::Format_RGB16)
                   : QImage(bits, width, height, pitch, QImage::Format_RGB555);
    case 24:
        return QImage(bits, width, height, pitch, QImage::Format_BGR888);
    case 32:
        return QImage(bits, width, height, pitch, QImage::Format_RGB32);
    default:
        return {};
    }
}

ScrollRequest RequestOf(int action)
{
    switch (action) {
    case QAbstractSlider::SliderSingleStepSub: return ScrollRequest::LineBack;
    case QAbstractSlider::SliderSingleStepAdd: return ScrollRequest::LineForward;
    case QAbstractSlider::SliderPageStepSub: return ScrollRequest::PageBack;
    case QAbstractSlider::SliderPageStepAdd: return ScrollRequest::PageForward;
    case QAbstractSlider::SliderToMinimum: return ScrollRequest::ToStart;
    case QAbstractSlider::SliderToMaximum: return ScrollRequest::ToEnd;
    case QAbstractSlider::SliderMove: return ScrollRequest::ToPosition;
    default: return ScrollRequest::End;
    }
}

} // namespace

CPreviewPane::CPreviewPane(Platform& platform, QWidget* parent)
    : QFrame(parent), platform_(platform), horizontal_(new QScrollBar(Qt::Horizontal, this)),
      vertical_(new QScrollBar(Qt::Vertical, this))
{
    setFrameStyle(QFrame::StyledPanel | QFrame::Sunken); // the sunken client edge
    // Every paint covers the whole client area; Qt's backing store composes
    // it off screen and shows it in one transfer, so nothing flickers.
    setAttribute(Qt::WA_OpaquePaintEvent);
    horizontal_->hide();
    vertical_->hide();
    connect(horizontal_, &QScrollBar::actionTriggered, this, [this](int action) { OnScroll(horizontal_, action); });
    connect(vertical_, &QScrollBar::actionTriggered, this, [this](int action) { OnScroll(vertical_, action); });
}

CPreviewPane::~CPreviewPane() = default;

PaneClient CPreviewPane::Client() const
{
    const QRect inside = contentsRect();
    return {inside.width() - (vertical_->isVisibleTo(this) ? vertical_->sizeHint().width() : 0),
            inside.height() - (horizontal_->isVisibleTo(this) ? horizontal_->sizeHint().height() : 0)};
}

bool CPreviewPane::LoadFile(const std::string& fileName)
{
    if (fileName.empty()) {
        platform_.ShowMessage(this, "CPreviewPane::LoadFile(): no file name provided");
        return false;
    }
    const PaneClient client = Client();
    UnloadImage();
    fileName_ = fileName;
    // The desktop program reads no settings: the machine's defaults.
    ImageRead read = ReadImageFile(fileName, RunOptions{});
    if (!read.bitmap) {
        platform_.ShowMessage(this, ReadFailureMessage(read.status, "File " + fileName + " could not be opened."));
        return false;
    }
    bitmap_ = std::move(read.bitmap);
    rows_ = ImageOverRows(bitmap_.get());
    view_.imageWidth = Width(bitmap_.get());
    view_.imageHeight = Height(bitmap_.get());
    if (view_.imageWidth > client.width || view_.imageHeight > client.height) {
        FitToPane();
    } else {
        view_.fitMode = false;
        UpdateScrollBars();
    }
    return true;
}

void CPreviewPane::UnloadImage()
{
    rows_ = QImage();
    bitmap_.reset();
    fileName_.clear();
    SetScrollOffsets(0, 0);
    view_.zoom = 1.0;
    view_.fitMode = true;
    UpdateScrollBars();
}

double CPreviewPane::FitToPane()
{
    SetScrollOffsets(0, 0);
    view_.fitMode = true;
    UpdateScrollBars();
    return view_.zoom;
}

void CPreviewPane::UpdateScrollBars()
{
    // One measurement serves the whole update, although showing or hiding a
    // bar changes the client area.
    const PaneClient client = Client();
    const ScrollBarPlan plan = PlanScrollBars(view_, client, !fileName_.empty());
    horizontal_->setVisible(plan.horizontal);
    vertical_->setVisible(plan.vertical);
    PlaceScrollBars();
    if (!fileName_.empty() && !view_.fitMode) {
        const QSignalBlocker blockHorizontal(horizontal_), blockVertical(vertical_);
        horizontal_->setRange(0, std::max(0, plan.horizontalMax - plan.horizontalPage + 1));
        horizontal_->setPageStep(plan.horizontalPage);
        vertical_->setRange(0, std::max(0, plan.verticalMax - plan.verticalPage + 1));
        vertical_->setPageStep(plan.verticalPage);
        ClampOffsets(view_, client);
        SetScrollOffsets(view_.scrollX, view_.scrollY);
    }
    repaint();
}

double CPreviewPane::ZoomIn()
{
    return ShowZoom(velmora::ZoomIn(view_, Client()));
}

double CPreviewPane::ZoomOut()
{
    return ShowZoom(velmora::ZoomOut(view_, Client()));
}

double CPreviewPane::ShowZoom(ZoomNext next)
{
    if (next == ZoomNext::FitToPane)
        return FitToPane();
    SetScrollOffsets(view_.scrollX, view_.scrollY);
    UpdateScrollBars();
    return view_.zoom;
}

void CPreviewPane::SetScrollOffsets(int x, int y)
{
    view_.scrollX = x;
    view_.scrollY = y;
    const QSignalBlocker blockHorizontal(horizontal_), blockVertical(vertical_);
    horizontal_->setValue(x);
    vertical_->setValue(y);
}

void CPreviewPane::OnScroll(QScrollBar* bar, int action)
{
    const ScrollRequest request = RequestOf(action);
    if (request == ScrollRequest::End)
        return;
    const bool isHorizontal = bar == horizontal_;
    int& offset = isHorizontal ? view_.scrollX : view_.scrollY;
    const PaneClient client = Client();
    const int limit = isHorizontal ? MaxOffset(view_.imageWidth, view_.zoom, client.width)
                                   : MaxOffset(view_.imageHeight, view_.zoom, client.height);
    offset = std::max(0, std::min(RequestedOffset(offset, request, bar->sliderPosition()), limit));
    // The bar moved itself by its own steps; put it where the pane's rules say.
    bar->setSliderPosition(offset);
    UpdateScrollBars();
}

void CPreviewPane::PlaceScrollBars()
{
    const QRect inside = contentsRect();
    const int barWidth = vertical_->sizeHint().width(), barHeight = horizontal_->sizeHint().height();
    const int right = inside.right() + 1 - (vertical_->isVisibleTo(this) ? barWidth : 0);
    const int bottom = inside.bottom() + 1 - (horizontal_->isVisibleTo(this) ? barHeight : 0);
    horizontal_->setGeometry(inside.left(), bottom, right - inside.left(), barHeight);
    vertical_->setGeometry(right, inside.top(), barWidth, bottom - inside.top());
}

void CPreviewPane::resizeEvent(QResizeEvent* event)
{
    QFrame::resizeEvent(event);
    PlaceScrollBars();
}

void CPreviewPane::paintEvent(QPaintEvent* event)
{
    QFrame::paintEvent(event); // the border
    QPainter painter(this);
    const QRect inside = contentsRect();
    const PaneClient client = Client();
    painter.fillRect(QRect(inside.topLeft(), QSize(client.width, client.height)), palette().button());
    if (!bitmap_)
        return;
    const DrawPlan plan = PlanDrawing(view_, client);
    if (rows_.isNull() || plan.source.width <= 0)
        return;
    painter.setClipRect(QRect(inside.topLeft(), QSize(client.width, client.height)));
    painter.translate(inside.topLeft());
    // Rows are stored bottom up: mirror the target vertically and take the
    // source rows counted from the bottom.
    const Area& t = plan.target;
    painter.translate(0, 2 * t.y + t.height);
    painter.scale(1, -1);
    const QRectF source(plan.source.x, view_.imageHeight - plan.source.y - plan.source.height, plan.source.width,
                        plan.source.height);
    painter.drawImage(QRectF(t.x, t.y, t.width, t.height), rows_, source);
}

} // namespace velmora
