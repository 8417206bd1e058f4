#include "NetworkPrefsPage.h"

#include "ConfigValues.h"
#include "LinkManager.h"
#include "ProfileChooser.h"
#include "Wavelark.h"
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

NetworkPrefsPage::NetworkPrefsPage(Wavelark &window) : PrefsPage(&window), window_(window)
{
    WavelarkSettings &s = window.settings();
    RadioStream &stream = *window.radioStream();
    const StreamSettings &engine = stream.settings();
    addButton(tr("Profile:"), tr("Select"), [this] { selectProfile(); });
    addSpin(tr("Rec. bufsize:"), 1, 999, tr("k"), int(engine.recordBufSize / 1024),
            [&stream](int k) {
                changeSetting(stream, &StreamSettings::recordBufSize, unsigned(k) * 1024);
            });
    addCheck(tr("Fill on empty:"), engine.fillOnEmpty,
             [&stream](bool on) { changeSetting(stream, &StreamSettings::fillOnEmpty, on); });
    addSpin(tr("Decode wait:"), 0, 999, tr("s"), engine.decodeWait,
            [&stream](int v) { changeSetting(stream, &StreamSettings::decodeWait, v); });
    recordDirectory_ = addTextWithChooser(tr("Record dir:"), s.recordDirectory,
                                          QStringLiteral("FMMS_Personal_Folder_S"),
                                          [this] { selectRecordDirectory(); });
    addCheck(tr("One file:"), s.recordOneFile, [&s](bool on) { s.recordOneFile = on; });
    addCheck(tr("File per song:"), s.recordPerSong, [&s](bool on) { s.recordPerSong = on; });
    proxy_ = addText(tr("Proxy:"), QString());
    ports_ = addText(tr("Allowed ports:"), QString());
    username_ = addText(tr("Username:"), QString());
    password_ = addText(tr("Password:"), QString());
    password_->setEchoMode(QLineEdit::Password);
    type_ = addCombo(tr("Type:"), proxyTypeNames());
    addSpin(tr("Retries:"), 0, 999, QString(), s.streamRetries,
            [&s](int n) { s.streamRetries = n; });
    addSpin(tr("Connect timeout:"), 1, 999, tr("s"), int(engine.connectTimeout),
            [&stream](int v) { changeSetting(stream, &StreamSettings::connectTimeout, v); });
    connect(&window, &MainWidget::kbStateChanged, this, &NetworkPrefsPage::keyboardShown);
    restoreFields();
}

void NetworkPrefsPage::open()
{
    type_->setCurrentText(ConfigValues::proxyTypeName(window_.radioStream()->settings().proxyType));
    show();
}

void NetworkPrefsPage::restoreFields()
{
    const StreamSettings &s = window_.radioStream()->settings();
    proxy_->setText(s.proxy);
    username_->setText(s.proxyUsername);
    password_->setText(s.proxyPassword);
    ports_->setText(s.allowedProxyPorts.join(QLatin1Char(' ')));
    recordDirectory_->setText(window_.settings().recordDirectory);
}

void NetworkPrefsPage::onOk()
{
    RadioStream &stream = *window_.radioStream();
    // As the file's own rule: any piece that is not a port empties the list.
    StreamSettings s = stream.settings();
    s.allowedProxyPorts = ConfigValues::parsePortList(ports_->text());
    s.proxy = proxy_->text();
    s.proxyUsername = username_->text();
    s.proxyPassword = password_->text();
    s.proxyType = ConfigValues::parseProxyType(type_->currentText());
    stream.setSettings(s);
    window_.settings().recordDirectory = recordDirectory_->text();
    window_.writeConfig();
}

void NetworkPrefsPage::onCancel()
{
    restoreFields();
}

void NetworkPrefsPage::selectProfile()
{
    QString profile = window_.settings().networkProfile;
    if (getProfileNamebySelect(profile, window_.linkManager()->profileNames(), &window_) == 0)
        window_.settings().networkProfile = profile;
}

void NetworkPrefsPage::selectRecordDirectory()
{
    QString start = window_.settings().recordDirectory;
    if (!QFileInfo(start).isDir())
        start = start.left(start.lastIndexOf(QLatin1Char('/')));
    const Wavelark::FileChoice choice =
        window_.fileDialog(tr("Record directory:"), QStringLiteral("*"), ChooseFolder, start);
    if (!choice.cancelled)
        recordDirectory_->setText(choice.path);
}

void NetworkPrefsPage::keyboardShown(bool shown)
{
    QWidget *focus = QApplication::focusWidget();
    for (QLineEdit *field : {recordDirectory_, proxy_, ports_, username_, password_}) {
        if (field == focus) {
            setSmallContent(shown);
            return;
        }
    }
}
