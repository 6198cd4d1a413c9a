#pragma once

#include "VirtualMeter.h"

#include <QString>
#include <QStringList>

#include <functional>

namespace nd::sim {

/// The line protocol of noisedesk-sim's standard input, by which tests and people steer
/// the running meter: one command a line, one answer line each ("ok", a cell's value,
/// or "error: ..."). Blank lines are skipped without an answer.
class Console {
public:
    struct Hooks {
        std::function<double()> now;  ///< the clock the meter is served on
        std::function<void()> unplug; ///< pull the adapter
        std::function<void()> replug; ///< plug it back in
    };
    struct Reply {
        QString text; ///< empty: nothing to answer
        bool quit = false;
    };

    Console(VirtualMeter& meter, Hooks hooks);

    Reply execute(const QString& line);

private:
    using Handler = QString (Console::*)(const QStringList& args);
    struct Command {
        const char* name;
        int argumentCount;
        Handler handler;
    };
    static const Command kCommands[];

    QString setSilent(const QStringList& args);
    QString setBadFrames(const QStringList& args);
    QString setShortReplies(const QStringList& args);
    QString setJunk(const QStringList& args);
    QString setSlow(const QStringList& args);
    QString setDumpStop(const QStringList& args);
    QString setLevel(const QStringList& args);
    QString setKeyLock(const QStringList& args);
    QString ignoreKey(const QStringList& args);
    QString unplug(const QStringList& args);
    QString replug(const QStringList& args);
    QString press(const QStringList& args);
    QString readCell(const QStringList& args);
    QString writeCell(const QStringList& args);
    QString storeSets(const QStringList& args);
    QString setMemoryFull(const QStringList& args);
    QString quit(const QStringList& args);

    QString switchFault(const QString& word, bool Faults::*fault);

    VirtualMeter& m_meter;
    Hooks m_hooks;
};

} // namespace nd::sim
