// The Network preference page: the link profile, recording, buffering and
// the proxy.
#include "Wavelark.h"

#include "ConfigValues.h"
#include "LinkManager.h"
#include "PrefsPage.h"
#include "ProfileChooser.h"
#include "stream.h"

#include <QApplication>
#include <QComboBox>
#include <QFileInfo>
#include <QLineEdit>
#include <QSpinBox>

namespace {

const QStringList &proxyTypeNames()
{
    static const QStringList names = {QStringLiteral("http"), QStringLiteral("socks4"),
                                      QStringLiteral("socks4a"), QStringLiteral("socks5")};
    return names;
}

} // namespace

void Wavelark::slotPrefsNetwork()
{
    if (!networkPage_)
        buildNetworkPage();
    net_.type->setCurrentText(ConfigValues::proxyTypeName(stream->settings().proxyType));
    networkPage_->show();
}

void Wavelark::buildNetworkPage()
{
    auto *page = new PrefsPage(this);
    page->addButton(tr("Profile:"), tr("Select"), [this] { slotSelectNetworkProfile(); });
    page->addSpin(tr("Rec. bufsize:"), 1, 999, tr("k"),
                  int(stream->settings().recordBufSize / 1024), [this](int k) {
                      changeSetting(*stream, &StreamSettings::recordBufSize, unsigned(k) * 1024);
                  });
    page->addCheck(tr("Fill on empty:"), stream->settings().fillOnEmpty,
                   [this](bool on) { changeSetting(*stream, &StreamSettings::fillOnEmpty, on); });
    page->addSpin(tr("Decode wait:"), 0, 999, tr("s"), stream->settings().decodeWait,
                  [this](int s) { changeSetting(*stream, &StreamSettings::decodeWait, s); });
    net_.recordDirectory = page->addTextWithChooser(tr("Record dir:"), settings_.recordDirectory,
                                                    QStringLiteral("FMMS_Personal_Folder_S"),
                                                    [this] { slotSelectRecordDirectory(); });
    page->addCheck(tr("One file:"), settings_.recordOneFile,
                   [this](bool on) { settings_.recordOneFile = on; });
    net_.proxy = page->addText(tr("Proxy:"), QString());
    net_.ports = page->addText(tr("Allowed ports:"), QString());
    net_.username = page->addText(tr("Username:"), QString());
    net_.password = page->addText(tr("Password:"), QString());
    net_.password->setEchoMode(QLineEdit::Password);
    net_.type = page->addCombo(tr("Type:"), proxyTypeNames());
    page->addSpin(tr("Retries:"), 0, 999, QString(), settings_.streamRetries,
                  [this](int n) { settings_.streamRetries = n; });
    page->addSpin(tr("Connect timeout:"), 1, 999, tr("s"), int(stream->settings().connectTimeout),
                  [this](int s) { changeSetting(*stream, &StreamSettings::connectTimeout, s); });
    connect(page, &PrefsPage::accepted, this, &Wavelark::slotPrefsNetworkFinalize);
    connect(page, &PrefsPage::rejected, this, &Wavelark::slotPrefsNetworkCancel);
    connect(this, &MainWidget::kbStateChanged, this, &Wavelark::slotKbStateChanged,
            Qt::UniqueConnection);
    networkPage_ = page;
    restoreNetworkFields();
}

void Wavelark::restoreNetworkFields()
{
    net_.proxy->setText(stream->settings().proxy);
    net_.username->setText(stream->settings().proxyUsername);
    net_.password->setText(stream->settings().proxyPassword);
    net_.ports->setText(stream->settings().allowedProxyPorts.join(QLatin1Char(' ')));
    net_.recordDirectory->setText(settings_.recordDirectory);
}

void Wavelark::slotPrefsNetworkFinalize()
{
    networkPage_->hide();
    // As the file's own rule: any piece that is not a port empties the list.
    StreamSettings s = stream->settings();
    s.allowedProxyPorts = ConfigValues::parsePortList(net_.ports->text());
    s.proxy = net_.proxy->text();
    s.proxyUsername = net_.username->text();
    s.proxyPassword = net_.password->text();
    s.proxyType = ConfigValues::parseProxyType(net_.type->currentText());
    stream->setSettings(s);
    settings_.recordDirectory = net_.recordDirectory->text();
    writeConfig();
}

void Wavelark::slotPrefsNetworkCancel()
{
    networkPage_->hide();
    restoreNetworkFields();
}

void Wavelark::slotSelectNetworkProfile()
{
    QString profile = settings_.networkProfile;
    if (getProfileNamebySelect(profile, sessionManager->profileNames(), this) == 0)
        settings_.networkProfile = profile;
}

void Wavelark::slotSelectRecordDirectory()
{
    QString start = settings_.recordDirectory;
    if (!QFileInfo(start).isDir())
        start = start.left(start.lastIndexOf(QLatin1Char('/')));
    const FileChoice choice = fileDialog(tr("Record directory:"), QStringLiteral("*"), 1, start);
    if (!choice.cancelled)
        net_.recordDirectory->setText(choice.path);
}

// With an on-screen keyboard up, the page keeps its focused field visible
// in the upper half.
void Wavelark::slotKbStateChanged(bool shown)
{
    if (!networkPage_)
        return;
    QWidget *focus = QApplication::focusWidget();
    for (QLineEdit *field :
         {net_.recordDirectory, net_.proxy, net_.ports, net_.username, net_.password}) {
        if (field == focus) {
            networkPage_->setSmallContent(shown);
            return;
        }
    }
}
