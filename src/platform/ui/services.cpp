#include "platform/ui/services.h"

#include <cstring>

#include <QTime>

#include "platform/picture/clipboard.h"
#include "platform/runtime/clock.h"
#include "platform/ui/picture_conversion.h"

namespace ui {

QString fileTitle(const QString& path) {
    const qsizetype slash = std::max(path.lastIndexOf(QLatin1Char('/')), path.lastIndexOf(QLatin1Char('\\')));
    return path.mid(slash + 1);
}

QString qtFileFilter(const QString& filter) {
    const QStringList parts = filter.split(QLatin1Char('|'));
    QStringList entries;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QStringList patterns = parts[i + 1].split(QLatin1Char(';'), Qt::SkipEmptyParts);
        for (QString& p : patterns) p = p.trimmed();
        const QString list = patterns.join(QLatin1Char(' '));
        // Qt reads the patterns from the last brackets: a description that already ends
        // with them is shown as it is, not with the patterns twice.
        const QString tail = QStringLiteral("(%1)").arg(list);
        entries << (parts[i].trimmed().endsWith(tail) ? parts[i] : QStringLiteral("%1 %2").arg(parts[i], tail));
    }
    return entries.join(QStringLiteral(";;"));
}

float Services::Rnd(float n) {
    if (n < 0) {
        // The seed is the number's single-precision bits, folded to 24 bits.
        uint32_t bits;
        std::memcpy(&bits, &n, sizeof bits);
        rndState_ = (bits + (bits >> 24)) & 0xFFFFFFu;
    } else if (n == 0) {
        return static_cast<float>(rndState_) / 16777216.0f;
    }
    rndState_ = (rndState_ * 1140671485u + 12820163u) & 0xFFFFFFu;
    return static_cast<float>(rndState_) / 16777216.0f;
}

void Services::Randomize(std::optional<double> seed) {
    const double value = seed ? *seed : Timer();
    uint64_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    const uint32_t high = static_cast<uint32_t>(bits >> 32);
    // The middle 16 bits of the state come from the number; the low byte stays.
    const uint32_t mixed = ((high >> 16) ^ (high & 0xFFFFu)) & 0xFFFFu;
    rndState_ = (rndState_ & 0xFFu) | (mixed << 8);
}

namespace {

// Before anything is installed: no box is shown and nothing waits.
class DefaultServices : public Services {
public:
    int MsgBox(const QString& prompt, int style, const QString& title) override {
        return runtime::defaultButtonResult(style);
    }
    QString InputBox(const QString&, const QString&, const QString&) override { return {}; }
    void Beep() override {}
    FileDialogResult ShowOpen(const FileDialogRequest& request) override {
        return {true, {}, {}, request.filterIndex};
    }
    FileDialogResult ShowSave(const FileDialogRequest& request) override {
        return {true, {}, {}, request.filterIndex};
    }
    bool clipboardHasImage() override { return !image_.isNull(); }
    QImage clipboardImage() override { return image_; }
    void setClipboardImage(const QImage& image) override {
        image_ = image;
        text_.clear();
        files_.clear();
    }
    bool clipboardHasText() override { return !text_.isNull(); }
    QString clipboardText() override { return text_; }
    void setClipboardText(const QString& text) override {
        text_ = text;
        image_ = QImage();
        files_.clear();
    }
    void clearClipboard() override {
        image_ = QImage();
        text_ = QString();
        files_.clear();
    }
    QStringList clipboardFiles() override { return files_; }
    void setClipboardFiles(const QStringList& files) override {
        clearClipboard();
        files_ = files;
    }
    int ShellOpen(const QString&) override { return 31; }
    bool startPaintProgram(const QString&) override { return false; }
    QDateTime Now() override { return QDateTime::currentDateTime(); }
    double Timer() override { return QTime::currentTime().msecsSinceStartOfDay() / 1000.0; }
    uint32_t GetTickCount() override { return static_cast<uint32_t>(clock_.elapsed()); }
    void Sleep(int) override {}

private:
    QImage image_;
    QString text_;
    QStringList files_;
    struct Clock {
        Clock() { start = QDateTime::currentMSecsSinceEpoch(); }
        qint64 elapsed() const { return QDateTime::currentMSecsSinceEpoch() - start; }
        qint64 start;
    } clock_;
};

// The runtime layer's message boxes (image class, codecs) shown through the services.
class MessageAdapter : public runtime::MessageService {
public:
    int MsgBox(const std::string& prompt, int style, const std::string& title) override {
        return services().MsgBox(QString::fromStdString(prompt), style, QString::fromStdString(title));
    }
};

// The runtime layer's clock (the TGA writer's date stamp) read from the services' clock.
class ClockAdapter : public runtime::ClockService {
public:
    runtime::DateTime Now() override {
        const QDateTime now = services().Now();
        const QDate d = now.date();
        const QTime t = now.time();
        return runtime::DateTime::FromParts(d.year(), d.month(), d.day(), t.hour(), t.minute(), t.second())
            .value_or(runtime::DateTime{});
    }
};

// The image class's clipboard: the services' picture and file list.
class ClipboardAdapter : public picture::ClipboardService {
public:
    bool hasPicture() override { return services().clipboardHasImage(); }
    picture::Picture GetData() override { return PictureFromImage(services().clipboardImage()); }
    std::vector<std::string> fileList() override {
        std::vector<std::string> names;
        for (const QString& file : services().clipboardFiles()) names.push_back(file.toStdString());
        return names;
    }
};

DefaultServices g_default;
MessageAdapter g_adapter;
ClockAdapter g_clock;
ClipboardAdapter g_clipboard;
Services* g_services = nullptr;

}  // namespace

Services& services() { return g_services ? *g_services : g_default; }

void setServices(Services* services) {
    g_services = services;
    runtime::setMessageService(services ? &g_adapter : nullptr);
    runtime::setClockService(services ? &g_clock : nullptr);
    picture::setClipboardService(services ? &g_clipboard : nullptr);
}

}  // namespace ui
