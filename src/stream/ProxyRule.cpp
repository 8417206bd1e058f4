#include "ProxyRule.h"

#include <curl/curl.h>

#include <QRegularExpression>

int proxyRulePort(const QString &url)
{
    static const QRegularExpression portPattern(QStringLiteral(":[0-9]+[/]?"));
    const QRegularExpressionMatch match = portPattern.match(url);
    if (!match.hasMatch())
        return 80;
    QString digits = match.captured(0).mid(1);
    if (digits.endsWith(u'/'))
        digits.chop(1);
    bool ok = false;
    const int port = digits.toInt(&ok, 10);
    return ok ? port : -1;
}

long proxyCurlType(int type)
{
    switch (type) {
    case 1: return CURLPROXY_SOCKS4;
    case 2: return CURLPROXY_SOCKS4A;
    case 3: return CURLPROXY_SOCKS5;
    default: return CURLPROXY_HTTP;
    }
}

std::optional<QByteArray> proxyUserPwd(const QString &username, const QString &password)
{
    if (username.isNull() && password.isNull())
        return std::nullopt;
    return username.toUtf8() + ':' + password.toUtf8();
}

std::optional<ProxyPlan> planProxy(const ProxySettings &settings, const QString &url)
{
    if (settings.proxy.isEmpty())
        return std::nullopt;
    if (!url.startsWith(QLatin1String("http://")) && !url.startsWith(QLatin1String("https://")))
        return std::nullopt;
    if (!settings.allowedPorts.isEmpty()) {
        const int port = proxyRulePort(url);
        bool allowed = false;
        for (const QString &entry : settings.allowedPorts) {
            bool ok = false;
            if (port >= 0 && entry.trimmed().toInt(&ok, 10) == port && ok)
                allowed = true;
        }
        if (!allowed)
            return std::nullopt;
    }
    return ProxyPlan{settings.proxy.toUtf8(), proxyUserPwd(settings.username, settings.password),
                     proxyCurlType(settings.type)};
}
