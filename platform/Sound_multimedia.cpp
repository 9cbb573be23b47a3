// Sound through Qt Multimedia.
#include <QApplication>
#include <QFileInfo>
#include <QSoundEffect>
#include <QUrl>
#include <map>

#include "platform/Platform.h"

namespace jotanor {
namespace {

class MultimediaSound final : public Sound {
public:
    bool playWave(const QString& file) override {
        QFileInfo info(sideFile(file));
        if (!info.isFile() || !info.isReadable()) return false;
        // One effect per file; playing it again restarts the sound.
        // The effects belong to the application, so they end before it does.
        QSoundEffect*& effect = effects_[info.absoluteFilePath()];
        if (!effect) {
            effect = new QSoundEffect(QCoreApplication::instance());
            effect->setSource(QUrl::fromLocalFile(info.absoluteFilePath()));
        }
        if (effect->status() == QSoundEffect::Error) return false;
        effect->stop();
        effect->play();
        return true;
    }
    void beep() override { QApplication::beep(); }

private:
    std::map<QString, QSoundEffect*> effects_;
};

}  // namespace

Sound& desktopSound() {
    static MultimediaSound sound;
    return sound;
}

}  // namespace jotanor
