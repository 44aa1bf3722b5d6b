#include "term/QtClipboard.h"

#include "text/Cp949.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

namespace QtClipboard {

void SetText(const std::string& Cp949)
{
    auto* Data = new QMimeData;
    QString Unicode = QString::fromStdString(Cp949::ToUtf8Rich(Cp949));
    Unicode.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    Data->setText(Unicode);
    Data->setData(QString::fromLatin1(Cp949Format),
                  QByteArray(Cp949.data(), static_cast<qsizetype>(Cp949.size())));
    QGuiApplication::clipboard()->setMimeData(Data); // the clipboard owns it
}

std::string Text()
{
    const QMimeData* Data = QGuiApplication::clipboard()->mimeData();
    if (!Data) return {};
    const QString Ours = QString::fromLatin1(Cp949Format);
    if (Data->hasFormat(Ours)) return Data->data(Ours).toStdString();
    if (!Data->hasText()) return {};
    QString Unicode = Data->text();
    Unicode.replace(QStringLiteral("\r\n"), QStringLiteral("\r"));
    Unicode.replace(QLatin1Char('\n'), QLatin1Char('\r'));
    return Cp949::FromUtf8Rich(Unicode.toStdString());
}

} // namespace QtClipboard
