// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

// Control ids of the About box (dialog template 100).
namespace velmora::about_ids {

enum : int {
    kOk = 1,
    kFirstAuthor = 1014,
    kSecondAuthor = 1015,
    kHomePage = 1016,
};

} // namespace velmora::about_ids
