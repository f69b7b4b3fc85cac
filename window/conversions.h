#pragma once
// Between Qt's texts and the core's: entry lines and labels are one character per byte (Latin-1),
// paths are in the file system's own encoding.

#include <QFile>
#include <QString>
#include <filesystem>
#include <string>
#include <string_view>

namespace vorlix::window {

inline QString TextOf(std::string_view bytes) {
    return QString::fromLatin1(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

inline std::string BytesOf(const QString& text) {
    return text.toLatin1().toStdString();
}

inline std::filesystem::path PathOf(const QString& text) {
    return std::filesystem::path(QFile::encodeName(text).toStdString());
}

}  // namespace vorlix::window
