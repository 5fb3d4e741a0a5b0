// Access to an INI file with the semantics of the Windows private-profile
// functions, so that configuration files written on Windows read the same:
// case-insensitive section and key names, the first match wins, blanks around
// names and values are ignored, and a missing section or key yields the
// caller's default.
//
// Writes change only the bytes of the value they replace (comments, order and
// unknown keys stay), append a missing key at the end of its section and a
// missing section at the end of the file, and replace the file atomically so
// that a crash never leaves it torn or empty.
#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

namespace kelp {

// A settings file is a few hundred bytes; anything this big is not one.
inline constexpr qint64 kMaxIniBytes = 16 * 1024 * 1024;

class IniFile {
public:
    explicit IniFile(QString path = QString());

    const QString &path() const { return path_; }
    void setPath(const QString &path)
    {
        path_ = path;
        cacheSize_ = -1;
    }
    bool exists() const;

    // The value of `key` in `section`, or `def` when either is missing.
    QString readString(const QString &section, const QString &key, const QString &def) const;

    // The value read as a whole number. A missing key, or a value that does
    // not start with a number, gives `def`.
    int readInt(const QString &section, const QString &key, int def) const;

    // Sets `key` in `section` to `value`, creating what is missing.
    // Returns 1 on success and -1 on failure (see errorString()).
    int writeString(const QString &section, const QString &key, const QString &value);

    QString errorString() const { return error_; }

    // The same operations on file contents held in memory (used by the
    // methods above, and directly by tests).
    static std::optional<QString> lookup(const QByteArray &contents, const QString &section, const QString &key);
    static QByteArray withValue(const QByteArray &contents, const QString &section, const QString &key,
                                const QString &value);

private:
    // The file's bytes, read again only when its size or time changed, so
    // reading every setting at start-up reads the file once.
    const QByteArray *contents() const;

    QString path_;
    QString error_;
    mutable QByteArray cache_;
    mutable qint64 cacheSize_ = -1;
    mutable qint64 cacheTime_ = -1;
};

// Parses a profile integer the way readInt() does; empty when not numeric.
std::optional<long long> parseProfileInt(const QString &text);

} // namespace kelp
