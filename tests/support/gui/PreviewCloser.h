// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QObject>
#include <QTimer>

#include <functional>
#include <string>
#include <vector>

namespace velmora::test {

// Plays the user who looks at each Image Preview window and closes it:
// records the file it shows, runs `whileShown` (the moment the preview is
// up), then closes it.
class PreviewCloser : public QObject {
    Q_OBJECT

public:
    explicit PreviewCloser(std::function<void()> whileShown = {});

    std::vector<std::string> shown;

private:
    void CloseOpenPreviews();

    std::function<void()> whileShown_;
    QTimer timer_;
};

} // namespace velmora::test
