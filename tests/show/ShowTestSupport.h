#pragma once
// Helpers shared by the show tests.
#include "show/ShowDialogs.h"

#include <gtest/gtest.h>

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QString>

#include <cstring>
#include <deque>
#include <optional>
#include <utility>
#include <vector>
#include <linux/capability.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace tessarin::test {

// The system's own description of an error number.
inline QString reason(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

// Root ignores file permissions through CAP_DAC_OVERRIDE. Capabilities
// belong to each thread, so this thread lays those down for a while (they
// stay permitted and come back in the destructor) and a read-only folder
// refuses it as it refuses an operator.
class FilePermissionsEnforced {
public:
    FilePermissionsEnforced()
    {
        if (geteuid() != 0)
            return;
        header_.version = _LINUX_CAPABILITY_VERSION_3;
        header_.pid = 0;
        if (syscall(SYS_capget, &header_, saved_) != 0)
            return;
        __user_cap_data_struct lowered[2] = {saved_[0], saved_[1]};
        for (int cap : {CAP_DAC_OVERRIDE, CAP_DAC_READ_SEARCH, CAP_FOWNER})
            lowered[cap / 32].effective &= ~(1u << (cap % 32));
        lowered_ = syscall(SYS_capset, &header_, lowered) == 0;
    }
    ~FilePermissionsEnforced()
    {
        if (lowered_)
            syscall(SYS_capset, &header_, saved_);
    }
    bool enforced() const { return geteuid() != 0 || lowered_; }

private:
    __user_cap_header_struct header_ {};
    __user_cap_data_struct saved_[2] {};
    bool lowered_ = false;
};

// Panels and alerts answered from queues, every question recorded.
class ScriptedDialogs final : public ShowDialogs {
public:
    struct Alert {
        QString message;
        QString informativeText;
    };
    std::deque<std::optional<QString>> openAnswers;
    std::deque<std::optional<QString>> saveAnswers;
    std::deque<SaveAnswer> questionAnswers;
    std::vector<Alert> alerts;
    std::vector<Alert> questions;
    std::vector<std::pair<QString, QString>> savePanels; // suggested name, message
    int openPanels = 0;
    std::vector<QString> panelFolders; // the folder each panel started in
    QString openMessage;

    std::optional<QString> chooseShowToOpen(const QString& message, const QString& folder) override
    {
        panelFolders.push_back(folder);
        ++openPanels;
        openMessage = message;
        return next(openAnswers, std::optional<QString>());
    }
    std::optional<QString> chooseShowToSave(const QString& suggestedName, const QString& message,
                                            const QString& folder) override
    {
        panelFolders.push_back(folder);
        savePanels.emplace_back(suggestedName, message);
        return next(saveAnswers, std::optional<QString>());
    }
    void warn(const QString& message, const QString& informativeText) override
    {
        alerts.push_back({message, informativeText});
    }
    SaveAnswer askToSaveChanges(const QString& message, const QString& informativeText) override
    {
        questions.push_back({message, informativeText});
        return next(questionAnswers, SaveAnswer::cancel);
    }

private:
    template <typename T> static T next(std::deque<T>& answers, T fallback)
    {
        if (answers.empty())
            return fallback;
        T answer = answers.front();
        answers.pop_front();
        return answer;
    }
};

inline QByteArray contents(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

inline void writeFile(const QString& path, const QByteArray& bytes)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

} // namespace tessarin::test
