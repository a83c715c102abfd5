#include "ui/run_files.h"

#include <QMessageBox>
#include <QTimer>
#include <iostream>

#include "run/run_text.h"
#include "sys/utc_now.h"
#include "ui/main_window.h"

namespace dravik::ui {

namespace {

std::unique_ptr<run::Recorder> CreateRecorder(const std::string& path, std::string& error)
{
    return run::Recorder::Create(path, run::RunHeader(DRAVIK_VERSION, sys::UtcNow()), error);
}

}  // namespace

std::optional<int> RunFiles::Prepare(const CommandLine& options, std::ostream& err)
{
    record_ = options.record.toStdString();
    speed_ = options.speed;
    if (!record_.empty() && record_ != "-") {
        // The file is made and taken away again: the window system may yet
        // fail to start, and that must leave no empty recording behind.
        std::string error;
        const auto probe = CreateRecorder(record_, error);
        if (!probe) {
            err << "dravik: " << error << "\n";
            return kExitUsage;
        }
        probe->Discard();
    }
    if (!options.replay.isEmpty()) {
        std::string error;
        std::optional<run::Script> read = run::ReadScriptFile(options.replay.toStdString(), error);
        if (!read) {
            err << "dravik: " << error << "\n";
            return kExitUsage;
        }
        const std::optional<std::uint64_t> end = run::RunEnd(*read, error);
        if (!end) {
            // A final line's reason names its line; an event's, the file.
            const std::string where = read->final ? "" : options.replay.toStdString() + ": ";
            err << "dravik: " << where << error << "\n";
            return kExitUsage;
        }
        replayEnd_ = *end;
        replay_ = std::move(*read);
    }
    if (!options.ghost.isEmpty()) {
        std::string error;
        const std::string path = options.ghost.toStdString();
        std::optional<run::Script> read = run::ReadScriptFile(path, error);
        std::optional<run::Ghost> ghost = read ? run::Ghost::Of(*read, error) : std::nullopt;
        if (!ghost) {
            err << "dravik: " << (read ? path + ": " : "") << error << "\n";
            return kExitUsage;
        }
        ghost_ = std::move(ghost);
    }
    return std::nullopt;
}

std::optional<int> RunFiles::Start(MainWindow& window, std::ostream& err)
{
    if (!record_.empty()) {
        std::string error;
        recorder_ = CreateRecorder(record_, error);
        if (!recorder_) {
            err << "dravik: " << error << "\n";
            return kExitUsage;
        }
        // Said once, and the game plays on unrecorded.
        recorder_->OnStop([&window](const std::string& reason) {
            std::cerr << "dravik: " << reason << "; the game plays on without recording\n";
            const QString text =
                QString::fromStdString(reason) + QStringLiteral(".\nThe game plays on without recording.");
            QTimer::singleShot(0, &window, [&window, text] {
                auto* box = new QMessageBox(QMessageBox::Warning, window.windowTitle(), text, QMessageBox::Ok, &window);
                box->setAttribute(Qt::WA_DeleteOnClose);
                box->setWindowModality(Qt::NonModal);
                box->show();
            });
        });
        window.Session().SetSink(recorder_.get());
    }
    if (replay_) {
        window.Replay(std::move(replay_->events), replayEnd_, speed_);
    }
    if (ghost_) {
        window.Race(std::move(*ghost_));
    }
    return std::nullopt;
}

int RunFiles::Finish(MainWindow& window, int status)
{
    if (!recorder_) {
        return status;
    }
    window.Session().SetSink(nullptr);
    if (status == kExitOk) {
        recorder_->Finish(window.Session());
    }
    return status == kExitOk && recorder_->Failed() ? kExitCannotWrite : status;
}

}  // namespace dravik::ui
