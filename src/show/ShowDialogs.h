#pragma once
// The modal questions of the show commands: the open and save panels and the
// alerts. The controller talks to this interface only, so tests answer the
// questions themselves; QtShowDialogs puts them on screen. Main thread.
#include <QPointer>
#include <QString>
#include <QWidget>

#include <optional>

namespace tessarin {

class ShowDialogs {
public:
    enum class SaveAnswer { save, dontSave, cancel };

    virtual ~ShowDialogs() = default;

    // Open panel for one show file, showing folder first; the chosen path,
    // or nullopt when cancelled.
    virtual std::optional<QString> chooseShowToOpen(const QString& message, const QString& folder) = 0;
    // Save panel in folder with the name field preset to suggestedName; the
    // chosen path (with the show extension), or nullopt when cancelled.
    virtual std::optional<QString> chooseShowToSave(const QString& suggestedName, const QString& message,
                                                    const QString& folder) = 0;
    // Warning alert with one default button.
    virtual void warn(const QString& message, const QString& informativeText) = 0;
    // Warning alert with "Salva" (default), "Non salvare" and "Annulla";
    // closing it in any other way answers cancel.
    virtual SaveAnswer askToSaveChanges(const QString& message, const QString& informativeText) = 0;
};

class QtShowDialogs final : public ShowDialogs {
public:
    // The file name extension of show files, without the point.
    static constexpr const char* kExtension = "vellumcast";

    explicit QtShowDialogs(QWidget* parent = nullptr);

    std::optional<QString> chooseShowToOpen(const QString& message, const QString& folder) override;
    std::optional<QString> chooseShowToSave(const QString& suggestedName, const QString& message,
                                            const QString& folder) override;
    void warn(const QString& message, const QString& informativeText) override;
    SaveAnswer askToSaveChanges(const QString& message, const QString& informativeText) override;

private:
    QPointer<QWidget> parent_;
};

} // namespace tessarin
