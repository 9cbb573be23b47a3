// Sound through the system's own wave player (winmm).
#define WIN32_LEAN_AND_MEAN
#define NOMINMAX
#include <windows.h>
#include <mmsystem.h>

#include <QApplication>
#include <QDir>
#include <QFileInfo>

#include "platform/Platform.h"

namespace jotanor {
namespace {

class WinmmSound final : public Sound {
public:
    bool playWave(const QString& file) override {
        QFileInfo info(sideFile(file));
        if (!info.isFile() || !info.isReadable()) return false;
        // Asynchronous; a new sound stops the one still playing. Without
        // SND_NODEFAULT a file it cannot play would sound the default chime.
        const std::wstring name = QDir::toNativeSeparators(info.absoluteFilePath()).toStdWString();
        return PlaySoundW(name.c_str(), nullptr, SND_FILENAME | SND_ASYNC | SND_NODEFAULT) != FALSE;
    }
    void beep() override { QApplication::beep(); }
};

}  // namespace

Sound& desktopSound() {
    static WinmmSound sound;
    return sound;
}

}  // namespace jotanor
