#pragma once
// How a show file names a media file: by its absolute path, and also by its
// path below the show's folder when it lies inside it, so a show folder that
// is moved together with its media still finds them. Pure text work; the file
// system is never consulted. Any thread.
#include <QString>

#include <optional>

namespace tessarin {

class ShowPaths {
public:
    struct Reference {
        QString path;                     // the file's absolute path
        std::optional<QString> relative;  // below base, when the file lies inside it
        bool operator==(const Reference&) const = default;
    };

    // filePath is an absolute POSIX path; base is the folder of the show file
    // (absent while only a snapshot is made). The relative part is filePath
    // without base + "/" when filePath starts with exactly that text: no
    // symbolic link, letter case, "." or ".." is resolved, a sibling folder
    // whose name merely begins with base's name does not count, and base "/"
    // (whose prefix is "//") never matches.
    static Reference reference(const QString& filePath, const std::optional<QString>& base);

    // Where a stored reference is found when a show is opened from the
    // folder showFolder: path when a file is there (it always wins), else
    // showFolder + "/" + relativePath when a file is there, else nothing.
    // A folder at either place is not a media file. Reads the file system.
    static std::optional<QString> locate(const std::optional<QString>& path,
                                         const std::optional<QString>& relativePath, const QString& showFolder);

    // How a reference that could not be found is named to the operator: the
    // last component of path, or "?" without one.
    static QString missingName(const std::optional<QString>& path);
    // The same name, followed by what is there when path names something
    // other than a file (a pipe, a device, a folder, a socket), so the
    // operator is not told that it is missing. Reads the file system; main
    // thread (translations).
    static QString unfoundName(const std::optional<QString>& path);

    ShowPaths() = delete;
};

} // namespace tessarin
