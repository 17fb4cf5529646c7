#pragma once
// The browser column built on the real catalogue and file list, with a fake
// capture enumerator and dialogs the tests answer.
#include "media/MediaFile.h"
#include "media/SourceLibrary.h"
#include "platform/CaptureDevices.h"
#include "platform/Settings.h"
#include "show/BrowserFiles.h"
#include "ui/browser/BrowserColumnView.h"
#include "ui/browser/BrowserDialogs.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <functional>
#include <memory>

namespace tessarin::test {

class FakeCaptureEnumerator final : public CaptureDeviceEnumerator {
public:
    std::vector<CaptureDeviceInfo> list;
    std::function<void(bool)> watcher;
    std::vector<CaptureDeviceInfo> devices() override { return list; }
    void watch(std::function<void(bool)> onChange) override { watcher = std::move(onChange); }
};

class FakeBrowserDialogs final : public BrowserDialogs {
public:
    struct Warning {
        QString message;
        QString informativeText;
    };
    std::function<void(std::vector<QUrl>)> pendingChoice;
    std::vector<Warning> warnings;

    void chooseMediaFiles(QWidget*, std::function<void(std::vector<QUrl>)> completion) override
    {
        pendingChoice = std::move(completion);
    }
    void warn(QWidget*, const QString& message, const QString& informativeText) override
    {
        warnings.push_back({ message, informativeText });
    }
    // Answers the open dialog.
    void choose(std::vector<QUrl> urls)
    {
        auto completion = std::move(pendingChoice);
        pendingChoice = nullptr;
        ASSERT_TRUE(completion) << "no file dialog is open";
        completion(std::move(urls));
    }
};

struct BrowserFixture : ::testing::Test {
    QTemporaryDir dir;
    Settings settings { dir.filePath("settings.ini") };
    std::shared_ptr<FakeCaptureEnumerator> enumerator = std::make_shared<FakeCaptureEnumerator>();
    CaptureDevices devices { enumerator };
    SourceLibrary library { settings, devices };
    BrowserFiles files;
    std::shared_ptr<FakeBrowserDialogs> dialogs = std::make_shared<FakeBrowserDialogs>();
    std::unique_ptr<BrowserColumnView> column;

    void SetUp() override
    {
        column = std::make_unique<BrowserColumnView>(files, library);
        column->setDialogs(dialogs);
        column->resize(260, 600);
        column->show();
    }

    std::vector<QUrl> fileURLs() const
    {
        std::vector<QUrl> urls;
        for (const auto& f : files.browserFiles())
            urls.push_back(f->url());
        return urls;
    }
};

} // namespace tessarin::test
