// SPDX-License-Identifier: GPL-3.0-or-later

#include "resources/DialogTemplate.h"

#include "resources/AboutDialogIds.h"
#include "resources/MainDialogIds.h"
#include "resources/PreviewDialogIds.h"
#include "resources/SmoothDialogIds.h"
#include "resources/Version.h"

namespace velmora {
namespace {

using K = ControlKind;

constexpr unsigned kButton = kTabStop;
constexpr unsigned kOff = kTabStop | kDisabled;

// 102: the main window.
constexpr ControlTemplate kMainControls[] = {
    {main_ids::kOpenImage, K::PushButton, "Open...", 149, 35, 37, 14, kButton},
    {main_ids::kOpenDepthMap, K::PushButton, "Open...", 149, 150, 37, 14, kButton},
    {main_ids::kSmooth, K::PushButton, "Smooth...", 149, 166, 37, 14, kButton},
    {main_ids::kDepthFromPair, K::PushButton, "From pair", 149, 182, 37, 14, kOff},
    {main_ids::kViewCount, K::Edit, "", 298, 18, 55, 14, kTabStop | kBorder},
    {main_ids::kViewingAngle, K::Edit, "", 298, 37, 55, 14, kTabStop | kBorder},
    {main_ids::kParallax, K::Edit, "", 298, 56, 55, 14, kTabStop | kBorder},
    {main_ids::kAutoParallax, K::CheckBox, "Auto", 359, 59, 31, 10, kTabStop},
    {main_ids::kSmoothingRadius, K::Edit, "", 298, 75, 55, 14, kTabStop | kBorder},
    {main_ids::kStereoWindow, K::Slider, "", 294, 94, 65, 15, kTabStop},
    {main_ids::kStereoWindowText, K::Edit, "", 361, 94, 29, 14, kTabStop | kBorder | kReadOnly | kDigitsOnly},
    {main_ids::kGrey, K::RadioButton, "Grey Red-Cyan", 205, 134, 64, 10, kTabStop | kGroupStart},
    {main_ids::kColour, K::RadioButton, "Colour Red-Cyan", 205, 148, 69, 10, kNoStyle},
    {main_ids::kSaveAs, K::DropDownList, "BMP\nPNG\nTIFF", 333, 124, 48, 72, kTabStop},
    {main_ids::kDeleteTempFiles, K::CheckBox, "Delete temporary files", 298, 139, 83, 10, kTabStop},
    {main_ids::kPreviewImages, K::CheckBox, "&Preview images", 298, 153, 65, 10, kTabStop},
    {main_ids::kAnaglyph, K::PushButton, "&Anaglyph image", 197, 167, 64, 14, kOff},
    {main_ids::kLenticularViews, K::PushButton, "Lenticular &views", 266, 167, 64, 14, kOff},
    {main_ids::kIntegralViews, K::PushButton, "Integral views", 335, 167, 64, 14, kOff},
    {main_ids::kViewMaster, K::PushButton, "ViewMaster", 197, 186, 64, 14, kOff},
    {main_ids::kHelp, K::PushButton, "Help", 324, 221, 35, 14, kButton},
    {main_ids::kAbout, K::PushButton, "About", 364, 221, 35, 14, kButton},
    {kNoId, K::GroupBox, "Settings", 197, 7, 202, 111, kNoStyle},
    {kNoId, K::Label, "Number of views:", 205, 21, 56, 8, kNoStyle},
    {kNoId, K::Label, "Viewing angle, degrees:", 205, 40, 76, 8, kNoStyle},
    {kNoId, K::Label, "Parallax between views, px:", 205, 59, 88, 8, kNoStyle},
    {kNoId, K::Label, "Save as:", 298, 126, 29, 8, kNoStyle},
    {main_ids::kProgress, K::ProgressBar, "", 229, 203, 170, 14, kBorder},
    {kNoId, K::Label, "Progress:", 197, 206, 30, 8, kNoStyle},
    {kNoId, K::Label, "Depth map smoothing, px:", 205, 78, 83, 8, kNoStyle},
    {kNoId, K::GroupBox, "Anaglyph image settings", 197, 122, 87, 41, kNoStyle},
    {main_ids::kStatus, K::Label, "Ready", 197, 222, 122, 13, kNoWrap | kCentreVertically},
    {kNoId, K::Label, "Stereo window position, px:", 204, 97, 87, 8, kNoStyle},
    {kNoId, K::GroupBox, "Image", 7, 7, 183, 114, kNoStyle},
    {kNoId, K::GroupBox, "Depth map", 7, 121, 183, 114, kNoStyle},
    {kNoId, K::Label, "File:", 14, 19, 14, 8, kNoStyle},
    {kNoId, K::Label, "File:", 15, 135, 14, 8, kNoStyle},
    {main_ids::kImageName, K::Label, "", 32, 19, 157, 8, kNoStyle},
    {main_ids::kDepthName, K::Label, "", 32, 135, 157, 8, kNoStyle},
    {main_ids::kImageFrame, K::Frame, "", 14, 30, 132, 84, kHidden},
    {main_ids::kDepthFrame, K::Frame, "", 14, 145, 132, 84, kHidden},
    {main_ids::kCrossEyed, K::PushButton, "Cross eyed", 266, 186, 64, 14, kOff},
    {main_ids::kLcShutter, K::PushButton, "LC Shutter", 335, 186, 64, 14, kOff},
};

constexpr LabelFor kMainLabels[] = {
    {"Number of views:", main_ids::kViewCount},
    {"Viewing angle, degrees:", main_ids::kViewingAngle},
    {"Parallax between views, px:", main_ids::kParallax},
    {"Depth map smoothing, px:", main_ids::kSmoothingRadius},
    {"Stereo window position, px:", main_ids::kStereoWindow},
    {"Stereo window position, px:", main_ids::kStereoWindowText},
    {"Save as:", main_ids::kSaveAs},
    {"Progress:", main_ids::kProgress},
};

// 100: About.
constexpr ControlTemplate kAboutControls[] = {
    {kNoId, K::Icon, "", 11, 17, 20, 20, kNoStyle},
    {kNoId, K::Label, VELMORA_PRODUCT_NAME " Version " VELMORA_VERSION, 40, 10, 119, 8, kNoWrap},
    {kNoId, K::Label, "Free software for 3-D photographers", 40, 25, 119, 8, kNoWrap},
    {about_ids::kOk, K::PushButton, "OK", 178, 77, 50, 14, kTabStop | kDefaultButton | kGroupStart},
    {about_ids::kFirstAuthor, K::Label, "Ada Lindqvist", 40, 40, 60, 8, kNoStyle},
    {about_ids::kSecondAuthor, K::Label, "Tomas Ferreira", 121, 40, 57, 8, kNoStyle},
    {kNoId, K::Label, "and", 104, 40, 13, 8, kNoStyle},
    {about_ids::kHomePage, K::Label, "Author's home page", 40, 54, 64, 8, kNoStyle},
    {kNoId, K::Label, "This program uses the FreeImage library", 40, 66, 126, 8, kNoStyle},
};

// 132: Segmentation Smoothing.
constexpr ControlTemplate kSmoothControls[] = {
    {smooth_ids::kClose, K::PushButton, "Close", 234, 57, 50, 14, kTabStop | kDefaultButton},
    {kNoId, K::Label, "Outline image level:", 7, 10, 62, 8, kNoStyle},
    {smooth_ids::kLevelText, K::Edit, "", 180, 7, 20, 14, kDisabled | kBorder},
    {smooth_ids::kCreateOutline, K::PushButton, "Create outline image", 207, 7, 77, 14, kTabStop},
    {smooth_ids::kLevel, K::Slider, "", 75, 7, 100, 15, kTabStop},
    {smooth_ids::kSmooth, K::PushButton, "Smooth depth map", 117, 32, 77, 14, kTabStop},
    {kNoId, K::Label, "Smoothing degree:", 7, 35, 60, 8, kNoStyle},
    {smooth_ids::kDegree, K::Edit, "", 80, 32, 25, 14, kBorder | kTabStop},
    {smooth_ids::kOpenDepthMap, K::PushButton, "Open depth map", 206, 32, 78, 14, kTabStop},
};

constexpr LabelFor kSmoothLabels[] = {
    {"Outline image level:", smooth_ids::kLevel},
    {"Outline image level:", smooth_ids::kLevelText},
    {"Smoothing degree:", smooth_ids::kDegree},
};

// 133: Image Preview.
constexpr ControlTemplate kPreviewControls[] = {
    {preview_ids::kClose, K::PushButton, "Close", 351, 252, 50, 14, kTabStop},
    {preview_ids::kPaneFrame, K::Frame, "", 7, 7, 335, 244, kHidden},
    {preview_ids::kZoomIn, K::PushButton, "Zoom &In", 351, 7, 50, 14, kTabStop},
    {preview_ids::kZoomOut, K::PushButton, "Zoom &Out", 351, 23, 50, 14, kTabStop},
    {kNoId, K::Label, "File name:", 7, 258, 33, 8, kNoStyle},
    {preview_ids::kFileName, K::Label, "....................", 43, 258, 234, 8, kNoWrap},
};

constexpr const char* kDialogFont = "MS Sans Serif";

} // namespace

const DialogTemplate& MainDialogTemplate()
{
    static constexpr DialogTemplate dialog{102, VELMORA_PRODUCT_NAME " " VELMORA_VERSION, 406, 242, kDialogFont, 8,
                                           kMainControls, kMainLabels};
    return dialog;
}

const DialogTemplate& AboutDialogTemplate()
{
    static constexpr DialogTemplate dialog{100, "About " VELMORA_PRODUCT_NAME, 235, 98, kDialogFont, 8, kAboutControls,
                                           {}};
    return dialog;
}

const DialogTemplate& SmoothDialogTemplate()
{
    static constexpr DialogTemplate dialog{132, "Segmentation Smoothing", 291, 78, kDialogFont, 8, kSmoothControls,
                                           kSmoothLabels};
    return dialog;
}

const DialogTemplate& PreviewDialogTemplate()
{
    static constexpr DialogTemplate dialog{133, "Image Preview", 408, 273, kDialogFont, 8, kPreviewControls, {}};
    return dialog;
}

} // namespace velmora
