#include "config/settings.h"

#include "config/review_schedule.h"
#include "util/log.h"

#include <QFile>
#include <QStringList>

#include <algorithm>
#include <utility>

namespace kelp {

QString SettingsFile::read(const TextKey &key) const
{
    const QString def = QString::fromUtf8(key.defaultValue);
    const QString value = ini_.readString(QLatin1String(key.section), QLatin1String(key.name), def);
    return key.emptyMeansDefault && value.isEmpty() ? def : value;
}

int SettingsFile::read(const IntKey &key) const
{
    const int value = ini_.readInt(QLatin1String(key.section), QLatin1String(key.name), key.defaultValue);
    return std::clamp(value, key.min, key.max);
}

bool SettingsFile::write(const TextKey &key, const QString &value)
{
    if (onWrite)
        onWrite(QLatin1String(key.section) + QLatin1Char('/') + QLatin1String(key.name));
    if (ini_.writeString(QLatin1String(key.section), QLatin1String(key.name), value) == 1)
        return true;
    qCWarning(lcConfig).noquote() << "cannot write" << key.name << "to" << ini_.path() << ":" << ini_.errorString();
    return false;
}

bool SettingsFile::write(const IntKey &key, int value)
{
    return write(TextKey{key.section, key.name, ""}, QString::number(value));
}

namespace {

// The keys read as they stand, each into its field.
const std::pair<const TextKey *, QString Settings::*> kTextFields[] = {
    {&keys::dbms, &Settings::dbms},
    {&keys::dataSourceName, &Settings::dataSourceName},
    {&keys::userName, &Settings::userName},
    {&keys::password, &Settings::password},
    {&keys::reviewCycle, &Settings::reviewCycle},
    {&keys::groupRange, &Settings::groupRange},
    {&keys::wordFile, &Settings::wordFile},
    {&keys::recordingsFolder, &Settings::recordingsFolder},
};

const std::pair<const IntKey *, int Settings::*> kIntFields[] = {
    {&keys::voice, &Settings::voice},
    {&keys::audioOutput, &Settings::audioOutput},
    {&keys::resumeRowReview, &Settings::resumeRowReview},
    {&keys::resumeRowRange, &Settings::resumeRowRange},
    {&keys::resumeRowText, &Settings::resumeRowText},
    {&keys::interval, &Settings::interval},
    {&keys::windowX, &Settings::windowX},
    {&keys::windowY, &Settings::windowY},
    {&keys::halfTransparent, &Settings::halfTransparent},
    {&keys::textColour, &Settings::textColour},
    {&keys::labelColour, &Settings::labelColour},
    {&keys::windowColour, &Settings::windowColour},
    {&keys::arrowHotKeys, &Settings::arrowHotKeys},
    {&keys::newGroupsPerDay, &Settings::newGroupsPerDay},
};

} // namespace

Settings Settings::load(const SettingsFile &file)
{
    Settings s;
    for (const auto &[key, field] : kTextFields)
        s.*field = file.read(*key);
    for (const auto &[key, field] : kIntFields)
        s.*field = file.read(*key);
    s.firstRun = file.read(keys::firstRun) == QLatin1String("true");
    s.autoCommit = readAutoCommit(file);
    s.sourceMode = SourceMode(file.read(keys::sourceMode));
    parseReviewDays(s.reviewCycle, s.reviewDays);
    // The last study day only matters for the review position.
    if (s.sourceMode == SourceMode::Review)
        s.lastStudyDay = parseSettingsDate(file.read(keys::lastStudyDay));
    return s;
}

namespace {
QByteArray fileBytes(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}
} // namespace

SettingsSnapshot SettingsSnapshot::read(const QString &path)
{
    SettingsSnapshot snapshot{path, fileBytes(path), {}};
    if (!snapshot.bytes.isEmpty())
        snapshot.settings = Settings::load(SettingsFile(path));
    return snapshot;
}

bool SettingsSnapshot::isCurrent() const
{
    return fileBytes(path) == bytes;
}

bool readAutoCommit(const SettingsFile &file)
{
    return file.read(keys::autoCommit) == QLatin1String("true");
}

long resumeRowAtStart(const Settings &settings, const QDate &today, long current)
{
    switch (settings.sourceMode) {
    case SourceMode::Review:
        return (today.isValid() && settings.lastStudyDay.isValid() && today == settings.lastStudyDay)
                   ? settings.resumeRowReview
                   : 1;
    case SourceMode::GroupRange: return settings.resumeRowRange;
    case SourceMode::TextFile: return settings.resumeRowText;
    }
    return current;
}

bool saveResumeRow(SettingsFile &file, Settings &settings, long row, bool fellBack, const QDate &today)
{
    const int value = static_cast<int>(std::clamp<long>(row, INT_MIN, INT_MAX));
    switch (settings.sourceMode) {
    case SourceMode::Review:
        if (fellBack)
            return file.write(keys::resumeRowRange, value);
        else {
            const bool ok = file.write(keys::resumeRowReview, value);
            settings.lastStudyDay = today;
            return file.write(keys::lastStudyDay, formatSettingsDate(today)) && ok;
        }
    case SourceMode::GroupRange: return file.write(keys::resumeRowRange, value);
    case SourceMode::TextFile: return file.write(keys::resumeRowText, value);
    }
    return true;
}

QDate parseSettingsDate(const QString &text)
{
    const QString t = text.trimmed();
    static const QStringList formats{QStringLiteral("yyyy-MM-dd"), QStringLiteral("yyyy-M-d"),
                                     QStringLiteral("yyyy/MM/dd"), QStringLiteral("yyyy/M/d"),
                                     QStringLiteral("yyyy.M.d")};
    for (const QString &f : formats) {
        const QDate d = QDate::fromString(t, f);
        if (d.isValid())
            return d;
    }
    // A date-time stored by another tool: take its date part.
    const qsizetype blank = t.indexOf(QLatin1Char(' '));
    if (blank > 0)
        return parseSettingsDate(t.left(blank));
    return QDate();
}

QString formatSettingsDate(const QDate &date)
{
    return date.toString(QStringLiteral("yyyy-MM-dd"));
}

} // namespace kelp
