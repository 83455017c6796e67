#include "cli/optionpath.h"

namespace {

const QLatin1Char kSeparator('/');
const QLatin1Char kEscape('~');
const int kMaxDepth = 3;

std::optional<QString> unescape(const QString &part, QString *error)
{
    QString text;
    text.reserve(part.size());
    for (int i = 0; i < part.size(); ++i) {
        const QChar c = part.at(i);
        if (c != kEscape) {
            text += c;
            continue;
        }
        const QChar next = i + 1 < part.size() ? part.at(i + 1) : QChar();
        if (next == QLatin1Char('0')) {
            text += kEscape;
        } else if (next == QLatin1Char('1')) {
            text += kSeparator;
        } else {
            *error = QStringLiteral("\"~\" must be followed by 0 (for \"~\") or 1 (for \"/\")");
            return std::nullopt;
        }
        ++i;
    }
    return text;
}

} // namespace

std::optional<OptionPath> parseOptionPath(const QString &text, QString *error)
{
    const QStringList parts = text.split(kSeparator, Qt::KeepEmptyParts);
    if (parts.size() > kMaxDepth) {
        *error = QStringLiteral("an option path has at most three parts, PAGE/GROUP/MEMBER (write \"/\" "
                                "inside a key as ~1): %1")
                     .arg(text);
        return std::nullopt;
    }
    QStringList keys;
    for (const QString &part : parts) {
        const std::optional<QString> key = unescape(part, error);
        if (!key) {
            *error = QStringLiteral("%1 in %2").arg(*error, text);
            return std::nullopt;
        }
        keys.append(*key);
    }
    OptionPath path;
    path.depth = keys.size();
    path.pageKey = keys.value(0);
    path.optionKey = keys.value(1);
    path.memberKey = keys.value(2);
    return path;
}

QString escapePathPart(const QString &part)
{
    QString text = part;
    text.replace(kEscape, QStringLiteral("~0"));
    text.replace(kSeparator, QStringLiteral("~1"));
    return text;
}

QString optionPathText(const QStringList &parts)
{
    QStringList escaped;
    escaped.reserve(parts.size());
    for (const QString &part : parts)
        escaped.append(escapePathPart(part));
    return escaped.join(kSeparator);
}

QString optionPathText(const OptionPath &path)
{
    const QStringList parts{path.pageKey, path.optionKey, path.memberKey};
    return optionPathText(parts.mid(0, path.depth));
}
