#ifndef APP_PLAIN_TIP_H
#define APP_PLAIN_TIP_H

#include <QString>

// A tool tip that shows a text as it stands, whatever it holds: a tool tip
// that looks like markup is rendered as rich text, so the text is escaped
// and wrapped in a paragraph that keeps its spaces and line breaks.
inline QString plain_tip(const QString &text)
{
    if (text.isEmpty())
        return text;
    return QStringLiteral("<p style='white-space:pre'>") + text.toHtmlEscaped() + QStringLiteral("</p>");
}

#endif // APP_PLAIN_TIP_H
