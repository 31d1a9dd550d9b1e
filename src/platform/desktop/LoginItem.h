#pragma once

#include <QString>

// Open at login: an XDG autostart entry in the user's autostart folder whose command starts the
// program with "--background", so that a login launch starts quietly. Virtual so that the
// logic's tests can stand in for it.
class LoginItem {
public:
    // `program`: the executable the entry starts; `entry`: the entry's path.
    explicit LoginItem(QString program, QString entry = standardEntry());
    virtual ~LoginItem();

    // $XDG_CONFIG_HOME/autostart/com.quenlark.Quenlark.desktop.
    static QString standardEntry();

    // Whether the desktop will start the program at login: our entry is there and neither hidden
    // nor switched off.
    virtual bool enabled() const;
    // Writes the entry atomically, or removes it. Throws FileError when that fails, also when
    // turning off an item that is not there, and Error with the reason when no entry can start
    // the program.
    virtual void setEnabled(bool on);
    // An entry that is on but starts another program than this one (the app moved, or another
    // copy wrote it) is written again for this one; one that can not name this program is
    // removed, so that the switch reads off rather than starting a copy that is gone. Throws as
    // `setEnabled` does.
    virtual void follow();
    // The program the entry starts from now on: the moved copy's.
    void setProgram(QString program) { program_ = std::move(program); }

    const QString& entry() const { return entry_; }
    const QString& program() const { return program_; }

private:
    QString program_;
    QString entry_;
};
