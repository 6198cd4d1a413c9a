#include "Dialogs.h"

#include <QFileInfo>
#include <QStringList>

namespace nd::dialogs {

QString qtFileFilter(const QString& pipedFilter) {
    const QStringList parts = pipedFilter.split(QLatin1Char('|'));
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QString patterns = parts[i + 1];
        patterns.replace(QLatin1Char(';'), QLatin1Char(' '));
        if (patterns == QLatin1String("*.*"))
            patterns = QStringLiteral("*");
        filters << QStringLiteral("%1 (%2)").arg(parts[i], patterns);
    }
    return filters.join(QStringLiteral(";;"));
}

bool SaveChoice::writesAs(const QString& suffix) const {
    if (!typeSuffix.isEmpty())
        return typeSuffix.compare(suffix, Qt::CaseInsensitive) == 0;
    return QFileInfo(path).suffix().compare(suffix, Qt::CaseInsensitive) == 0;
}

QStringList filterSuffixes(const QString& pipedFilter) {
    const QStringList parts = pipedFilter.split(QLatin1Char('|'));
    QStringList suffixes;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        // The first pattern of the type: "*.dat" gives "dat", "*.*" and "*" nothing.
        const QString first = parts[i + 1].section(QLatin1Char(';'), 0, 0).trimmed();
        const QString suffix = first.startsWith(QLatin1String("*.")) ? first.mid(2) : QString();
        suffixes << (suffix == QLatin1String("*") ? QString() : suffix);
    }
    return suffixes;
}

QString withSuffix(const QString& path, const QString& suffix) {
    if (suffix.isEmpty() || path.isEmpty() || !QFileInfo(path).suffix().isEmpty())
        return path;
    return path + QLatin1Char('.') + suffix;
}

std::optional<SaveChoice> Dialogs::saveFile(QWidget* parent, const QString& title,
                                            const QString& filter) {
    auto choice = chooseSaveFile(parent, title, filter);
    if (!choice || choice->path.isEmpty())
        return std::nullopt;
    choice->typeSuffix = filterSuffixes(filter).value(choice->type);
    const QString path = withSuffix(choice->path, choice->typeSuffix);
    // The dialog asked about the name as typed; the file with its suffix is another one.
    if (path != choice->path && QFileInfo::exists(path)) {
        const Message question{QStringLiteral("%1 already exists. Replace it?").arg(path),
                               Buttons::OkCancel, Icon::Question};
        if (message(parent, question) != Answer::Ok)
            return std::nullopt;
    }
    choice->path = path;
    return choice;
}

} // namespace nd::dialogs
