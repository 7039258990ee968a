#include "widgets/testing/scripted_ui.h"

#include <QCoreApplication>
#include <QDialog>
#include <QFileDialog>
#include <QPrinter>
#include <QWidget>
#include <gtest/gtest.h>

namespace ui_testing {

const char* kind_name(prompt_kind kind)
{
    switch (kind) {
    case prompt_kind::critical: return "critical box";
    case prompt_kind::warning: return "warning box";
    case prompt_kind::information: return "information box";
    case prompt_kind::question: return "question box";
    case prompt_kind::choice: return "choice box";
    case prompt_kind::open_file: return "open-file dialog";
    case prompt_kind::save_file: return "save-file dialog";
    case prompt_kind::append_file: return "append-file dialog";
    case prompt_kind::directory: return "directory dialog";
    case prompt_kind::modal: return "modal run";
    case prompt_kind::text_line: return "text prompt";
    case prompt_kind::printer: return "print dialog";
    }
    return "prompt";
}

prompt_kind kind_of(ui::box_kind kind)
{
    switch (kind) {
    case ui::box_kind::critical: return prompt_kind::critical;
    case ui::box_kind::warning: return prompt_kind::warning;
    case ui::box_kind::information: return prompt_kind::information;
    case ui::box_kind::question: return prompt_kind::question;
    }
    return prompt_kind::critical;
}

scripted_ui::scripted_ui() : previous_(&ui::current()) { ui::install(this); }

scripted_ui::~scripted_ui()
{
    if (&ui::current() == this)
        ui::install(previous_);
    if (verifyOnDestruction_)
        verify_consumed();
}

// --- the script ---------------------------------------------------------------------------------

scripted_ui& scripted_ui::expect_box(ui::box_kind kind, const QString& title, const QString& text, int answer)
{
    script_.push_back({kind_of(kind), title, text, false, answer, {}, {}});
    return *this;
}

scripted_ui& scripted_ui::expect_box_containing(ui::box_kind kind, const QString& title, const QString& fragment,
                                                int answer)
{
    script_.push_back({kind_of(kind), title, fragment, true, answer, {}, {}});
    return *this;
}

scripted_ui& scripted_ui::expect_error(const QString& text, int answer)
{
    return expect_box(ui::box_kind::critical, ui::title_error(), text, answer);
}

scripted_ui& scripted_ui::expect_warning(const QString& text, int answer)
{
    return expect_box(ui::box_kind::warning, ui::title_warning(), text, answer);
}

scripted_ui& scripted_ui::expect_information(const QString& text, int answer)
{
    return expect_box(ui::box_kind::information, ui::title_information(), text, answer);
}

scripted_ui& scripted_ui::expect_question(const QString& text, int answer)
{
    return expect_box(ui::box_kind::question, ui::title_confirm(), text, answer);
}

scripted_ui& scripted_ui::expect_choice(const QString& text, const QString& button)
{
    script_.push_back({prompt_kind::choice, QString(), text, false, 0, button, {}});
    return *this;
}

scripted_ui& scripted_ui::expect_open_file(const QString& answer, const QString& caption)
{
    script_.push_back({prompt_kind::open_file, caption, {}, false, 0, answer, {}});
    return *this;
}

scripted_ui& scripted_ui::expect_save_file(const QString& answer, const QString& caption)
{
    script_.push_back({prompt_kind::save_file, caption, {}, false, 0, answer, {}});
    return *this;
}

scripted_ui& scripted_ui::expect_append_file(const QString& answer, const QString& caption)
{
    script_.push_back({prompt_kind::append_file, caption, {}, false, 0, answer, {}});
    return *this;
}

scripted_ui& scripted_ui::expect_directory(const QString& answer, const QString& caption)
{
    script_.push_back({prompt_kind::directory, caption, {}, false, 0, answer, {}});
    return *this;
}

scripted_ui& scripted_ui::expect_text_line(const QString& answer, const QString& title)
{
    script_.push_back({prompt_kind::text_line, title, {}, false, 0, answer, {}});
    return *this;
}

scripted_ui& scripted_ui::expect_printer(const QString& pdf_path)
{
    script_.push_back({prompt_kind::printer, {}, {}, false, 0, pdf_path, {}});
    return *this;
}

scripted_ui& scripted_ui::expect_modal(int result, const QString& name)
{
    script_.push_back({prompt_kind::modal, {}, name, false, result, {}, {}});
    return *this;
}

scripted_ui& scripted_ui::expect_modal(const QString& name, modal_action action)
{
    script_.push_back({prompt_kind::modal, {}, name, false, 0, {}, std::move(action)});
    return *this;
}

bool scripted_ui::verify_consumed()
{
    const bool clean = script_.empty();
    for (const step& s : script_)
        ADD_FAILURE() << "scripted prompt never came: " << describe(s).toStdString();
    script_.clear();
    return clean;
}

// --- matching -----------------------------------------------------------------------------------

bool scripted_ui::matches(const step& s, const prompt_record& seen)
{
    if (s.kind != seen.kind)
        return false;
    if (s.kind == prompt_kind::modal)  // the name is either the object name or the title
        return s.text.isNull() || s.text == seen.text || s.text == seen.title;
    if (!s.title.isNull() && s.title != seen.title)
        return false;
    switch (s.kind) {
    case prompt_kind::open_file:
    case prompt_kind::save_file:
    case prompt_kind::append_file:
    case prompt_kind::directory:
    case prompt_kind::text_line:
    case prompt_kind::printer:
        return true;
    default:
        return s.fragment ? seen.text.contains(s.text) : s.text == seen.text;
    }
}

QString scripted_ui::describe(const step& s)
{
    QString d = QString::fromLatin1(kind_name(s.kind));
    if (s.kind == prompt_kind::modal)
        return d + QStringLiteral(" of \"%1\"").arg(s.text.isNull() ? QStringLiteral("*") : s.text);
    d += QStringLiteral(" \"%1\"").arg(s.title.isNull() ? QStringLiteral("*") : s.title);
    if (s.kind == prompt_kind::critical || s.kind == prompt_kind::warning || s.kind == prompt_kind::information ||
        s.kind == prompt_kind::question || s.kind == prompt_kind::choice)
        d += (s.fragment ? QStringLiteral(" containing: ") : QStringLiteral(": ")) + s.text;
    return d;
}

QString scripted_ui::describe(const prompt_record& p)
{
    if (p.kind == prompt_kind::modal)
        return QStringLiteral("%1 of \"%2\" titled \"%3\"").arg(QString::fromLatin1(kind_name(p.kind)), p.text, p.title);
    if (p.kind == prompt_kind::open_file || p.kind == prompt_kind::save_file || p.kind == prompt_kind::append_file ||
        p.kind == prompt_kind::directory ||
        p.kind == prompt_kind::text_line || p.kind == prompt_kind::printer)
        return QStringLiteral("%1 \"%2\" in %3").arg(QString::fromLatin1(kind_name(p.kind)), p.title, p.text);
    return QStringLiteral("%1 \"%2\": %3").arg(QString::fromLatin1(kind_name(p.kind)), p.title, p.text);
}

bool scripted_ui::take(const prompt_record& seen, step& out)
{
    prompts_.push_back(seen);
    if (script_.empty()) {
        ADD_FAILURE() << "unexpected " << describe(seen).toStdString();
        return false;
    }
    if (!matches(script_.front(), seen)) {
        // The step stays: an extra prompt before the expected one must not shift the script.
        ADD_FAILURE() << "unexpected " << describe(seen).toStdString() << "\n  the script expected "
                      << describe(script_.front()).toStdString();
        return false;
    }
    out = std::move(script_.front());
    script_.pop_front();
    prompts_.back().expected = true;
    return true;
}

// --- ui::services ---------------------------------------------------------------------------------

int scripted_ui::message(ui::box_kind kind, const QString& title, const QString& text, int buttons,
                         int default_button)
{
    step s;
    const int fallback = ui::default_answer(buttons, default_button);
    if (!take({kind_of(kind), title, text, buttons, false}, s))
        return fallback;
    if (s.answer == 0)
        return fallback;
    if (!(buttons & s.answer)) {
        ADD_FAILURE() << "scripted answer 0x" << std::hex << s.answer << " is not a button of "
                      << describe(prompts_.back()).toStdString() << " (buttons 0x" << buttons << ")";
        return fallback;
    }
    return s.answer;
}

int scripted_ui::choose(QWidget* parent, const QString& title, const QString& text, const QStringList& buttons,
                        int cancel_index)
{
    step s;
    if (!take({prompt_kind::choice, title, text, 0, false, parent}, s))
        return cancel_index;
    const int index = buttons.indexOf(s.fileAnswer);
    if (index < 0) {
        ADD_FAILURE() << "scripted choice \"" << s.fileAnswer.toStdString() << "\" is not a button of "
                      << describe(prompts_.back()).toStdString();
        return cancel_index;
    }
    return index;
}

void scripted_ui::progress_begin(const QString& title)
{
    progressTitles_.push_back(title);
    progressValue_ = 1;
    progressShown_ = true;
}

void scripted_ui::progress_set(int percent)
{
    progressValues_.push_back(percent);
    // As the real bar does, values outside 0 to 100 leave it unchanged.
    if (percent >= 0 && percent <= 100)
        progressValue_ = percent;
}

void scripted_ui::progress_end() { progressShown_ = false; }

void scripted_ui::process_events()
{
    ++eventPasses_;
    if (forwardEvents_ && QCoreApplication::instance())
        QCoreApplication::processEvents();
}

QString scripted_ui::file_dialog(prompt_kind kind, const QString& caption, const QString& dir, const QWidget* parent)
{
    step s;
    if (!take({kind, caption, dir, 0, false, parent}, s))
        return QString();
    return s.fileAnswer;
}

QString scripted_ui::open_file_name(QWidget* parent, const QString& caption, const QString& dir, const QString&)
{
    return file_dialog(prompt_kind::open_file, caption, dir, parent);
}

QString scripted_ui::save_file_name(QWidget* parent, const QString& caption, const QString& dir, const QString&)
{
    return file_dialog(prompt_kind::save_file, caption, dir, parent);
}

QString scripted_ui::append_file_name(QWidget* parent, const QString& caption, const QString& dir, const QString&)
{
    return file_dialog(prompt_kind::append_file, caption, dir, parent);
}

QString scripted_ui::text_line(QWidget* parent, const QString& title, const QString& label)
{
    return file_dialog(prompt_kind::text_line, title, label, parent);
}

QString scripted_ui::existing_directory(QWidget* parent, const QString& caption, const QString& dir)
{
    return file_dialog(prompt_kind::directory, caption, dir, parent);
}

int scripted_ui::run_modal(QWidget* dialog)
{
    // A file dialog made by the code and run modally answers the file prompts of the script
    // as the short forms do: the answer is selected and accepted, an empty one is a cancel.
    if (auto* files = qobject_cast<QFileDialog*>(dialog); files && !script_.empty()) {
        const prompt_kind expected = script_.front().kind;
        const prompt_kind kind = files->fileMode() == QFileDialog::Directory
                                     ? prompt_kind::directory
                                 : files->acceptMode() == QFileDialog::AcceptSave ? prompt_kind::save_file
                                                                                   : prompt_kind::open_file;
        if (expected == prompt_kind::open_file || expected == prompt_kind::save_file || expected == prompt_kind::directory) {
            const QString answer = file_dialog(kind, files->windowTitle(), files->directory().absolutePath(),
                                               files->parentWidget());
            if (answer.isEmpty()) {
                files->setResult(QDialog::Rejected);
                return QDialog::Rejected;
            }
            files->selectFile(answer);
            files->setResult(QDialog::Accepted);
            return QDialog::Accepted;
        }
    }
    prompt_record seen{prompt_kind::modal, dialog ? dialog->windowTitle() : QString(),
                       dialog ? dialog->objectName() : QString(), 0, false,
                       dialog ? dialog->parentWidget() : nullptr};
    step s;
    if (!take(seen, s))
        return QDialog::Rejected;
    if (s.action)
        return s.action(dialog);
    if (auto* d = qobject_cast<QDialog*>(dialog))
        d->setResult(s.answer);
    return s.answer;
}

bool scripted_ui::choose_printer(QPrinter& printer)
{
    step s;
    if (!take({prompt_kind::printer, QString(), printer.outputFileName(), 0, false}, s) || s.fileAnswer.isEmpty())
        return false;
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(s.fileAnswer);
    return true;
}

}  // namespace ui_testing
