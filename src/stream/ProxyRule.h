#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <optional>

// The engine's proxy settings, as configured.
struct ProxySettings
{
    QString proxy; // host:port; null or empty = no proxy
    int type = 0;  // 0 http, 1 socks4, 2 socks4a, 3 socks5
    QString username;
    QString password;
    QStringList allowedPorts; // decimal port numbers; empty = every port
};

// How a transfer that goes through the proxy is set up.
struct ProxyPlan
{
    QByteArray proxy;                  // CURLOPT_PROXY
    std::optional<QByteArray> userPwd; // CURLOPT_PROXYUSERPWD, when a name or password is set
    long curlType = 0;                 // CURLOPT_PROXYTYPE
};

// The port a URL names: the number after the first ":[0-9]+[/]?" in it,
// 80 when there is none (for "https://" too); -1 when it does not fit an int.
int proxyRulePort(const QString &url);

// libcurl's proxy type for a configured type; unknown types are HTTP.
long proxyCurlType(int type);

// "user:password", with an empty text for a null part; nullopt when both
// are null.
std::optional<QByteArray> proxyUserPwd(const QString &username, const QString &password);

// The proxy applies only to "http://" and "https://" URLs (case-sensitive)
// whose port is allowed. nullopt: the transfer goes direct.
std::optional<ProxyPlan> planProxy(const ProxySettings &settings, const QString &url);
