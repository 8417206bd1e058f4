#include "CurlHandles.h"

#include <QCoreApplication>

#include <type_traits>

CurlEasy &CurlEasy::operator=(CurlEasy &&other) noexcept
{
    if (this != &other) {
        reset();
        handle_ = other.release();
    }
    return *this;
}

CURL *CurlEasy::release()
{
    CURL *h = handle_;
    handle_ = nullptr;
    return h;
}

void CurlEasy::reset()
{
    if (handle_)
        curl::easy_cleanup(handle_);
    handle_ = nullptr;
}

CurlMulti::~CurlMulti()
{
    if (handle_)
        curl::multi_cleanup(handle_);
}

bool CurlSlist::append(const char *line)
{
    curl_slist *grown = curl::slist_append(list_, line);
    if (!grown)
        return false;
    list_ = grown;
    return true;
}

StallGuard::StallGuard(std::chrono::milliseconds limit) : limitMs_(limit.count())
{
    restart();
}

long long StallGuard::ticks(Clock::time_point t)
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(t.time_since_epoch()).count();
}

void StallGuard::restart(Clock::time_point now)
{
    lastActivity_ = ticks(now);
    received_ = 0;
    waiting_ = false;
    fired_ = false;
}

void StallGuard::setWaitingForRoom(bool waiting, Clock::time_point now)
{
    waiting_ = waiting;
    if (!waiting)
        lastActivity_ = ticks(now);
}

bool StallGuard::check(long long received, Clock::time_point now)
{
    const long long t = ticks(now);
    if (received != received_ || waiting_) {
        received_ = received;
        lastActivity_ = t;
        return false;
    }
    if (t - lastActivity_ < limitMs_)
        return false;
    fired_ = true;
    return true;
}

QString StallGuard::errorText() const
{
    const long long seconds = (limitMs_ + 999) / 1000;
    return QCoreApplication::translate("RadioStream", "No data received for %1 seconds")
        .arg(seconds);
}

int stallGuardProgress(void *guard, curl_off_t, curl_off_t dlnow, curl_off_t, curl_off_t) noexcept
{
    return static_cast<StallGuard *>(guard)->check(dlnow) ? 1 : 0;
}

QString transferErrorText(CURLcode code, const StallGuard *guard, const char *errorBuffer)
{
    if (code == CURLE_ABORTED_BY_CALLBACK && guard && guard->fired())
        return guard->errorText();
    if (errorBuffer && errorBuffer[0] && code != CURLE_WRITE_ERROR)
        return QString::fromUtf8(errorBuffer).trimmed();
    return QString::fromUtf8(curl::easy_strerror(code));
}

namespace {

// Runs the setopt calls in order and keeps the first failure.
struct OptionSetter
{
    CURL *handle;
    CURLcode first = CURLE_OK;

    template <typename T>
    void operator()(CURLoption option, T value)
    {
        CURLcode rc;
        if constexpr (std::is_integral_v<T> || std::is_enum_v<T>)
            rc = curl::easy_setopt(handle, option, long(value));
        else if constexpr (std::is_function_v<std::remove_pointer_t<T>>)
            rc = curl::easy_setopt_function(handle, option, reinterpret_cast<void (*)()>(value));
        else
            rc = curl::easy_setopt(handle, option, value);
        if (first == CURLE_OK)
            first = rc;
    }
};

void applyProxy(OptionSetter &set, const CurlTransferOptions &o,
                const std::function<void(const QString &)> &log)
{
    const std::optional<ProxyPlan> plan = planProxy(o.proxy, o.url);
    if (!plan) {
        set(CURLOPT_PROXY, ""); // direct: no proxy from the environment either
        return;
    }
    log(QStringLiteral("Using proxy ") + o.proxy.proxy);
    set(CURLOPT_USERAGENT, "Mozilla/5.0 (X11; U; Linux i686; en-US; rv:1.9.1.2) "
                           "Gecko/20090729 Firefox/3.5.2");
    set(CURLOPT_PROXY, plan->proxy.constData());
    if (plan->userPwd)
        set(CURLOPT_PROXYUSERPWD, plan->userPwd->constData());
    set(CURLOPT_PROXYTYPE, plan->curlType);
}

} // namespace

CURLcode applyCurlOptions(CURL *handle, const CurlTransferOptions &o,
                          const std::function<void(const QString &)> &log)
{
    log(QStringLiteral("addCurlHandle(): URL='") + o.url + u'\'');
    OptionSetter set{handle};
    const QByteArray url = o.url.toUtf8();
    set(CURLOPT_VERBOSE, o.verbosity);
    set(CURLOPT_NOSIGNAL, 1L);
    set(CURLOPT_FAILONERROR, 1L);
    set(CURLOPT_URL, url.constData());
    set(CURLOPT_NOSIGNAL, 1L);
    set(CURLOPT_CONNECTTIMEOUT, o.connectTimeout);
    if (o.writeFunction) {
        set(CURLOPT_WRITEFUNCTION, o.writeFunction);
        set(CURLOPT_WRITEDATA, o.writeData);
    }
    if (o.isStream) {
        set(CURLOPT_HEADERDATA, o.writeData);
        set(CURLOPT_HTTPHEADER, o.headers);
    }
    set(CURLOPT_FOLLOWLOCATION, 1L);
    set(CURLOPT_MAXREDIRS, 8L);
    set(CURLOPT_UNRESTRICTED_AUTH, 0L);
    set(CURLOPT_HTTP09_ALLOWED, 1L);
    set(CURLOPT_SUPPRESS_CONNECT_HEADERS, 1L);
    if (o.errorBuffer)
        set(CURLOPT_ERRORBUFFER, o.errorBuffer);
    if (o.stallGuard) {
        set(CURLOPT_XFERINFOFUNCTION, &stallGuardProgress);
        set(CURLOPT_XFERINFODATA, static_cast<void *>(o.stallGuard));
        set(CURLOPT_NOPROGRESS, 0L);
    }
    applyProxy(set, o, log);
    if (!o.userAgent.isEmpty())
        set(CURLOPT_USERAGENT, o.userAgent.constData());
    return set.first;
}
