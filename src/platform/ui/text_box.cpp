#include "platform/ui/text_box.h"

#include <utility>

#include <QCoreApplication>
#include <QDropEvent>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QTextCursor>
#include <QUrl>

namespace ui {

namespace {
Qt::Alignment qtAlignment(int alignment) {
    switch (alignment) {
    case 1: return Qt::AlignRight | Qt::AlignVCenter;
    case 2: return Qt::AlignHCenter | Qt::AlignVCenter;
    default: return Qt::AlignLeft | Qt::AlignVCenter;
    }
}
}  // namespace

TextBox::TextBox(QWidget* parent) : QFrame(parent), Control(this) {
    // Key events reach the editor; the frame only forwards them.
    unwatchInput(this);
    setBorderStyle(1);
    makeEditor();
    initAppearance(vbWindowBackground, vbWindowText);
}

TextBox::~TextBox() {
    if (line_) QObject::disconnect(line_, nullptr, this, nullptr);
    if (plain_) QObject::disconnect(plain_, nullptr, this, nullptr);
    if (QWidget* e = editor()) {
        unwatchInput(e);
        e->removeEventFilter(this);
        if (plain_) plain_->viewport()->removeEventFilter(this);
    }
}

QWidget* TextBox::editor() const {
    if (line_) return line_;
    return plain_;
}

void TextBox::makeEditor() {
    const QString text = lastText_;
    if (QWidget* old = editor()) {
        unwatchInput(old);
        QObject::disconnect(old, nullptr, this, nullptr);
        delete old;
    }
    line_ = nullptr;
    plain_ = nullptr;
    if (multiLine_) {
        plain_ = new QPlainTextEdit(this);
        plain_->setFrameShape(QFrame::NoFrame);
        plain_->setPlainText(QString(text).replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
        plain_->setReadOnly(locked_);
        setScrollBars(scrollBars_);
        connect(plain_, &QPlainTextEdit::textChanged, this, [this] { editorTextChanged(); });
    } else {
        line_ = new QLineEdit(this);
        line_->setFrame(false);
        line_->setText(text);
        line_->setReadOnly(locked_);
        line_->setMaxLength(maxLength_ > 0 ? maxLength_ : 32767);
        line_->setAlignment(qtAlignment(alignment_));
        line_->setEchoMode(passwordChar_.isEmpty() ? QLineEdit::Normal : QLineEdit::Password);
        connect(line_, &QLineEdit::textChanged, this, [this] { editorTextChanged(); });
    }
    QWidget* e = editor();
    e->setGeometry(contentsRect());
    watchInput(e);
    // Drops arrive at the editor, or at the multi-line editor's viewport.
    e->installEventFilter(this);
    if (plain_) plain_->viewport()->installEventFilter(this);
    setFocusProxy(e);
    setOLEDropMode(oleDropMode_);
    e->show();
}

QString TextBox::Text() const {
    if (line_) return line_->text();
    return plain_->toPlainText().replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
}

void TextBox::setText(const QString& text) {
    byCode([&] {
        if (line_)
            line_->setText(text);
        else
            plain_->setPlainText(QString(text).replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
    });
}

void TextBox::editorTextChanged() {
    const QString text = Text();
    if (text == lastText_) return;
    lastText_ = text;
    Change.fire();
}

void TextBox::setMultiLine(bool multiLine) {
    if (multiLine == multiLine_) return;
    multiLine_ = multiLine;
    makeEditor();
    applyColors();
}

void TextBox::setScrollBars(int scrollBars) {
    scrollBars_ = scrollBars;
    if (!plain_) return;
    plain_->setHorizontalScrollBarPolicy((scrollBars & 1) ? Qt::ScrollBarAlwaysOn
                                                          : Qt::ScrollBarAlwaysOff);
    plain_->setVerticalScrollBarPolicy((scrollBars & 2) ? Qt::ScrollBarAlwaysOn
                                                        : Qt::ScrollBarAlwaysOff);
    // Without a horizontal bar the lines wrap, as a multi-line box does.
    plain_->setLineWrapMode((scrollBars & 1) ? QPlainTextEdit::NoWrap
                                             : QPlainTextEdit::WidgetWidth);
}

void TextBox::setLocked(bool locked) {
    locked_ = locked;
    if (line_) line_->setReadOnly(locked);
    if (plain_) plain_->setReadOnly(locked);
}

void TextBox::setMaxLength(int maxLength) {
    maxLength_ = std::max(0, maxLength);
    if (line_) line_->setMaxLength(maxLength_ > 0 ? maxLength_ : 32767);
}

int TextBox::SelStart() const {
    if (line_) return line_->hasSelectedText() ? line_->selectionStart() : line_->cursorPosition();
    return plain_->textCursor().selectionStart();
}

void TextBox::setSelStart(int start) {
    start = std::clamp(start, 0, static_cast<int>(Text().size()));
    if (line_) {
        line_->setCursorPosition(start);
    } else {
        QTextCursor c = plain_->textCursor();
        c.setPosition(std::min(start, plain_->document()->characterCount() - 1));
        plain_->setTextCursor(c);
    }
}

int TextBox::SelLength() const {
    if (line_) return line_->selectedText().size();
    const QTextCursor c = plain_->textCursor();
    return c.selectionEnd() - c.selectionStart();
}

void TextBox::setSelLength(int length) {
    const int start = SelStart();
    length = std::clamp(length, 0, static_cast<int>(Text().size()) - start);
    if (line_) {
        line_->setSelection(start, length);
    } else {
        QTextCursor c = plain_->textCursor();
        const int last = plain_->document()->characterCount() - 1;
        c.setPosition(std::min(start, last));
        c.setPosition(std::min(start + length, last), QTextCursor::KeepAnchor);
        plain_->setTextCursor(c);
    }
}

QString TextBox::SelText() const {
    if (line_) return line_->selectedText();
    return plain_->textCursor().selectedText().replace(QChar(0x2029), QStringLiteral("\r\n"));
}

void TextBox::setSelText(const QString& text) {
    byCode([&] {
        if (line_) {
            line_->insert(text);
        } else {
            QTextCursor c = plain_->textCursor();
            c.insertText(QString(text).replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
            plain_->setTextCursor(c);
        }
    });
}

void TextBox::setPasswordChar(const QString& passwordChar) {
    passwordChar_ = passwordChar.left(1);
    if (line_) line_->setEchoMode(passwordChar_.isEmpty() ? QLineEdit::Normal : QLineEdit::Password);
}

void TextBox::setAlignment(int alignment) {
    alignment_ = alignment;
    if (line_) line_->setAlignment(qtAlignment(alignment));
}

void TextBox::setBorderStyle(int borderStyle) {
    borderStyle_ = borderStyle;
    if (borderStyle == 1) {
        setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
        setLineWidth(2);
    } else {
        setFrameStyle(QFrame::NoFrame);
    }
    if (QWidget* e = editor()) e->setGeometry(contentsRect());
}

void TextBox::setOLEDropMode(int mode) {
    oleDropMode_ = mode == 1 ? 1 : 0;
    // A read-only editor would refuse drops of its own accord.
    if (oleDropMode_ == 1) {
        if (line_) line_->setAcceptDrops(true);
        if (plain_) plain_->viewport()->setAcceptDrops(true);
    }
}

bool TextBox::eventFilter(QObject* watched, QEvent* event) {
    if (watched == line_ && event->type() == QEvent::FocusIn) {
        // The line editor selects its whole text when the keyboard brings the focus (Tab,
        // an arrow key on a button, a shortcut), and the next key would replace it all.
        // The box takes the focus as a click or code gives it: caret and selection kept.
        const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
        if (reason == Qt::TabFocusReason || reason == Qt::BacktabFocusReason || reason == Qt::ShortcutFocusReason) {
            QFocusEvent plain(QEvent::FocusIn, Qt::OtherFocusReason);
            QCoreApplication::sendEvent(line_, &plain);
            return true;
        }
    }
    const bool fromEditor = watched == editor() || (plain_ && watched == plain_->viewport());
    if (oleDropMode_ != 1 || !fromEditor) return QFrame::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::DragEnter:
    case QEvent::DragMove:
        static_cast<QDropEvent*>(event)->acceptProposedAction();
        return true;
    case QEvent::Drop: {
        auto* drop = static_cast<QDropEvent*>(event);
        QStringList files;
        if (const QMimeData* data = drop->mimeData(); data && data->hasUrls())
            for (const QUrl& url : data->urls())
                if (url.isLocalFile()) files << url.toLocalFile();
        drop->acceptProposedAction();
        OLEDragDrop.fire(files);
        return true;
    }
    default:
        return QFrame::eventFilter(watched, event);
    }
}

void TextBox::applyColors() {
    Control::applyColors();
    if (QWidget* e = editor()) {
        e->setPalette(palette());
        e->setAutoFillBackground(true);
    }
}

void TextBox::keyPressEvent(QKeyEvent* event) { passKeyToEditor(event); }

void TextBox::keyReleaseEvent(QKeyEvent* event) { passKeyToEditor(event); }

void TextBox::passKeyToEditor(QKeyEvent* event) {
    // A key the editor ignores (Enter, Escape, function keys, and every release) travels
    // on up to this frame: it goes on to the window, never into the editor again, or the
    // two would hand the same event to each other until the stack runs out. The focused
    // editor has already had it; an unfocused one has it from here.
    static const QKeyEvent* forwarded = nullptr;
    static bool cameBack = false;
    QWidget* e = editor();
    if (event == forwarded) cameBack = true;
    if (!e || e->hasFocus() || event == forwarded) {
        event->ignore();
        return;
    }
    const QKeyEvent* outer = std::exchange(forwarded, event);
    const bool outerCameBack = std::exchange(cameBack, false);
    QCoreApplication::sendEvent(e, event);
    forwarded = outer;
    // Passed on up to the window already, on its way back from the editor.
    if (std::exchange(cameBack, outerCameBack)) event->accept();
}

void TextBox::resizeEvent(QResizeEvent* event) {
    QFrame::resizeEvent(event);
    if (QWidget* e = editor()) e->setGeometry(contentsRect());
}

void TextBox::copyPropertiesFrom(const Component& other) {
    if (auto* o = dynamic_cast<const TextBox*>(&other)) {
        setMultiLine(o->multiLine_);
        setScrollBars(o->scrollBars_);
        setLocked(o->locked_);
        setMaxLength(o->maxLength_);
        setPasswordChar(o->passwordChar_);
        setAlignment(o->alignment_);
        setBorderStyle(o->borderStyle_);
        setOLEDropMode(o->oleDropMode_);
        {
            detail::SuppressEvents quiet;
            setText(o->Text());
            lastText_ = Text();
        }
    }
    Control::copyPropertiesFrom(other);
}

}  // namespace ui
