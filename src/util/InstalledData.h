#pragma once

// Where an installed program finds what it was installed with, beside its
// own folder PREFIX/bin: the decoder modules in PREFIX/lib/wavelark/plugins
// and the pictures in PREFIX/share/wavelark. Worked out from the running
// program's path, so a package, `cmake --install --prefix` and a copy moved
// elsewhere all find theirs. Both are searched after ~/.wavelark.
// Empty before the application object exists.

#include <QString>

QString installedPluginDirectory();
QString installedDataDirectory();

// `name` (e.g. "/mute.xpm") in ~/.wavelark when it is there, else in the
// installed data folder when it is there, else the ~/.wavelark path.
QString userOrInstalledFile(const QString &name);
