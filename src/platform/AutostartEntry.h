#pragma once

#include <QString>

// The desktop's autostart entry that starts Pexilo when the user logs in:
// $XDG_CONFIG_HOME/autostart/pexilo.desktop, as the XDG autostart convention
// reads it. Only an entry that carries our marker is ever replaced or removed,
// so a file the user wrote by hand under the same name is left alone.
class AutostartEntry
{
public:
    static QString path();

    // The text of the entry that starts `executable`, quoted as the desktop
    // entry format's Exec key requires. Empty when the path cannot be written
    // into an Exec line (it holds a control character).
    static QString contents(const QString &executable);

    // The program the entry starts: the installed program when that is the
    // one running, named as it was installed; otherwise the binary that is
    // running, wherever it is.
    static QString program();
    // The same choice, given the running program's path as the kernel names
    // it and the installed program's path (empty when there is none).
    static QString programFor(const QString &running, const QString &installed);

    // Writes the entry for program() (atomically, so a failure
    // leaves whatever was there). False with `error` set when it could not;
    // a foreign file under our name is not replaced.
    static bool install(QString *error = nullptr);
    // Removes our entry; a missing entry or a foreign file counts as done.
    static bool remove(QString *error = nullptr);
    // Whether our entry is in place.
    static bool isInstalled();
    // Why the user's choice cannot be carried out now, as a phrase that
    // follows "because": on, our entry cannot be put in place (a file of
    // another program holds its name, its folder cannot be written, the
    // program's path does not fit into an entry); off, ours cannot be taken
    // away (its folder cannot be written). Empty when it can. Tries the
    // folder with a file of its own, which it removes at once: a folder may
    // be closed to writes that its permissions would let through.
    static QString problem(bool launchAtLogin);

    // Saves the user's choice: installs the entry when on, removes it when
    // off. Failures are logged.
    static void apply(bool launchAtLogin);

    static constexpr const char *marker = "X-Pexilo-Autostart";
};
