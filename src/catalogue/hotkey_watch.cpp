#include "catalogue/hotkey_watch.h"

#include "catalogue/desktop_entry.h"
#include "catalogue/hotkey_keys.h"
#include "catalogue/launcher.h"
#include "catalogue/startup_links.h"
#include "common/file_io.h"
#include "platform/hotkeys.h"
#include "platform/launcher.h"
#include "platform/shell_links.h"

#include <QFileSystemWatcher>
#include <QMessageBox>
#include <QStringList>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>

namespace {

// Larger files are no desktop entries of a program: they are not read.
constexpr std::uint64_t entry_size_limit = 64u << 10;

// The ids of program hotkeys start above every id Vorkel gives its own keys.
constexpr int first_program_hotkey_id = 1000;
// The id of the grab that asks the display whether a key is free.
constexpr int probe_hotkey_id = 999;

QString local_path(const std::string &path) { return QString::fromLocal8Bit(path.c_str()); }

void say(const std::string &line) {
    std::fprintf(stderr, "vorkel: %s\n", line.c_str());
    std::fflush(stderr);
}

// "Ctrl+Alt+G of <file>: <reason>"
std::string refusal_line(std::uint16_t word, const std::string &file, const HOTKEY_CLASH_STRUCT &clash) {
    return hotkey_word_name(word) + " of " + file + ": " + hotkey_clash_reason(clash);
}

void show_keys_not_taken(QObject *owner, const QString &report) {
    auto *box = new QMessageBox(QMessageBox::Warning, QStringLiteral("Hotkey warning"),
                                QStringLiteral("These hotkeys could not be taken:\n\n") + report,
                                QMessageBox::Ok, qobject_cast<QWidget *>(owner));
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(Qt::NonModal);
    box->show();
}

} // namespace

std::optional<HOTKEY_ENTRY_STRUCT> hotkey_entry_of(const std::string &file, std::string_view text,
                                                   std::uint16_t *unusable) {
    if (unusable)
        *unusable = 0;
    // Most entries carry no word: they need no parsing.
    if (text.find("X-Vorkel-Hotkey") == std::string_view::npos)
        return std::nullopt;
    DESKTOP_ENTRY_STRUCT entry;
    if (!parse_desktop_entry(text, entry) || entry.hidden || entry.type != "Application" ||
        entry.hotkey <= 0 || entry.exec.empty())
        return std::nullopt;
    const auto word = static_cast<std::uint16_t>(entry.hotkey);
    if (platform::keysym_for_virtual_key(word & 0xff) == 0 || platform::find_program(entry.exec[0]).empty())
        return std::nullopt;
    if (!hotkey_word_usable(word)) {
        if (unusable)
            *unusable = word;
        return std::nullopt;
    }
    return HOTKEY_ENTRY_STRUCT{file, word, std::move(entry.exec), std::move(entry.path)};
}

std::vector<HOTKEY_ENTRY_STRUCT>
scan_hotkey_entries(const std::vector<std::string> &folders,
                    std::vector<std::pair<std::string, std::uint16_t>> *unusable) {
    namespace fs = std::filesystem;
    std::vector<HOTKEY_ENTRY_STRUCT> out;
    for (const auto &folder : folders) {
        std::vector<std::string> files;
        std::error_code ec;
        for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
            const std::string name = it->path().filename().string();
            if (name.size() > 8 && name.compare(name.size() - 8, 8, ".desktop") == 0)
                files.push_back(it->path().string());
        }
        std::sort(files.begin(), files.end());
        for (const auto &file : files) {
            auto text = read_whole_file(file, entry_size_limit);
            if (!text)
                continue;
            std::uint16_t bad = 0;
            if (auto entry = hotkey_entry_of(file, *text, &bad))
                out.push_back(std::move(*entry));
            else if (bad && unusable)
                unusable->emplace_back(file, bad);
        }
    }
    return out;
}

std::vector<std::string> hotkey_entry_folders() {
    std::vector<std::string> folders;
    for (const auto &f : {platform::programs_folder(), platform::startup_folder()})
        if (!f.empty())
            folders.push_back(f);
    return folders;
}

HOTKEY_CLASH_STRUCT hotkey_clash(std::uint16_t word, const std::string &own_entry,
                                 const std::vector<std::string> &folders) {
    if (!hotkey_word_usable(word))
        return {HOTKEY_HOLDER::unusable, {}};
    if (word == RESCUE_HOTKEY_WORD)
        return {HOTKEY_HOLDER::rescue_key, {}};
    for (const HOTKEY_ENTRY_STRUCT &e : scan_hotkey_entries(folders))
        if (e.word == word && e.file != own_entry)
            return {HOTKEY_HOLDER::entry, e.file};
    if (!platform::register_hotkey(probe_hotkey_id, hotkey_platform_modifiers(word), word & 0xffu))
        return {HOTKEY_HOLDER::other_program, {}};
    platform::unregister_hotkey(probe_hotkey_id);
    return {};
}

std::string hotkey_clash_reason(const HOTKEY_CLASH_STRUCT &clash) {
    switch (clash.holder) {
    case HOTKEY_HOLDER::nobody: return "free";
    case HOTKEY_HOLDER::unusable: return "a hotkey needs Ctrl or Alt, or it would stop that key from typing";
    case HOTKEY_HOLDER::rescue_key: return "it is Vorkel's rescue key";
    case HOTKEY_HOLDER::entry: return clash.entry + " has it";
    case HOTKEY_HOLDER::other_program: return "another program holds it";
    }
    return {};
}

std::string hotkey_start_folder(const HOTKEY_ENTRY_STRUCT &entry) {
    if (!entry.working_directory.empty())
        return entry.working_directory;
    if (entry.argv.empty())
        return {};
    return program_folder(platform::find_program(entry.argv[0]));
}

Thotkey_watch *hotkey_watch = nullptr;

Thotkey_watch::Thotkey_watch(std::vector<std::string> folders, QObject *owner)
    : QObject(owner), folders_(std::move(folders)), next_id_(first_program_hotkey_id) {
    watcher_ = new QFileSystemWatcher(this);
    // Changes come in bursts (a temporary file, then a rename): read once
    // they have settled.
    settle_ = new QTimer(this);
    settle_->setSingleShot(true);
    settle_->setInterval(50);
    connect(settle_, &QTimer::timeout, this, &Thotkey_watch::rescan);
    connect(watcher_, &QFileSystemWatcher::directoryChanged, settle_, qOverload<>(&QTimer::start));
    connect(watcher_, &QFileSystemWatcher::fileChanged, settle_, qOverload<>(&QTimer::start));
    retry_ = new QTimer(this);
    retry_->setSingleShot(true);
    retry_->setInterval(2000);
    connect(retry_, &QTimer::timeout, this, &Thotkey_watch::rescan);
    rescan();
}

Thotkey_watch::~Thotkey_watch() {
    release_all();
    if (hotkey_watch == this)
        hotkey_watch = nullptr;
}

void Thotkey_watch::release_all() {
    for (auto &[file, grab] : grabs_)
        platform::unregister_hotkey(grab.id);
    grabs_.clear();
}

void Thotkey_watch::rescan() {
    settle_->stop();
    retry_->stop();
    std::vector<std::pair<std::string, std::uint16_t>> unusable;
    std::vector<HOTKEY_ENTRY_STRUCT> found = scan_hotkey_entries(folders_, &unusable);
    if (paused_) {
        watch_paths();
        return;
    }

    // The same file twice (a folder given twice): the first stays.
    std::map<std::string, const HOTKEY_ENTRY_STRUCT *> wanted;
    for (const auto &e : found)
        wanted.emplace(e.file, &e);
    std::set<std::pair<std::string, std::uint16_t>> still_reported;

    // Release the keys of entries that are gone or have another word now.
    for (auto it = grabs_.begin(); it != grabs_.end();) {
        auto w = wanted.find(it->first);
        if (w == wanted.end() || w->second->word != it->second.entry.word) {
            platform::unregister_hotkey(it->second.id);
            it = grabs_.erase(it);
        } else {
            it->second.entry = *w->second; // the command may have changed
            ++it;
        }
    }
    // Take the new ones, in folder order.
    bool refused = false;
    QStringList not_taken;
    auto refuse = [&](const std::string &file, std::uint16_t word, const HOTKEY_CLASH_STRUCT &clash) {
        const std::string line = refusal_line(word, file, clash);
        auto key = std::make_pair(file, word);
        if (!reported_.count(key))
            say("hotkey " + line);
        still_reported.insert(key);
        not_taken << QString::fromLocal8Bit(line.c_str());
    };
    for (const auto &e : found) {
        auto w = wanted.find(e.file);
        if (w == wanted.end() || w->second != &e || grabs_.count(e.file))
            continue;
        const int id = next_id_++;
        if (platform::register_hotkey(id, hotkey_platform_modifiers(e.word), e.word & 0xffu)) {
            grabs_[e.file] = GRAB{id, e};
            continue;
        }
        refused = true;
        HOTKEY_CLASH_STRUCT clash{HOTKEY_HOLDER::other_program, {}};
        if (e.word == RESCUE_HOTKEY_WORD)
            clash.holder = HOTKEY_HOLDER::rescue_key;
        for (const auto &[file, grab] : grabs_)
            if (grab.entry.word == e.word)
                clash = {HOTKEY_HOLDER::entry, file};
        refuse(e.file, e.word, clash);
    }
    for (const auto &[file, word] : unusable)
        refuse(file, word, {HOTKEY_HOLDER::unusable, {}});
    reported_ = std::move(still_reported);
    watch_paths();
    if (refused)
        retry_->start();
    // The report at start waits for the first retry: a key held only for
    // a moment is taken then, and is no news.
    if (start_report_due_ && (!refused || ++refused_scans_ > 1)) {
        start_report_due_ = false;
        if (!not_taken.isEmpty())
            QMetaObject::invokeMethod(
                this, [this, report = not_taken.join(QLatin1Char('\n'))] { emit keys_not_taken(report); },
                Qt::QueuedConnection);
    }
}

void Thotkey_watch::watch_paths() {
    namespace fs = std::filesystem;
    QStringList paths;
    for (const auto &folder : folders_) {
        // A folder that does not exist yet is seen being made from the
        // nearest folder above it that does.
        fs::path p(folder);
        std::error_code ec;
        while (!p.empty() && !fs::is_directory(p, ec) && p.has_relative_path())
            p = p.parent_path();
        if (!p.empty())
            paths << local_path(p.string());
    }
    // An entry edited in place changes no folder.
    for (const auto &[file, grab] : grabs_)
        paths << local_path(file);
    paths.removeDuplicates();
    QStringList old = watcher_->directories() + watcher_->files();
    QStringList gone, added;
    for (const auto &p : old)
        if (!paths.contains(p))
            gone << p;
    for (const auto &p : paths)
        if (!old.contains(p))
            added << p;
    if (!gone.isEmpty())
        watcher_->removePaths(gone);
    if (!added.isEmpty())
        watcher_->addPaths(added);
}

bool Thotkey_watch::hotkey_pressed(int id) {
    for (const auto &[file, grab] : grabs_) {
        if (grab.id != id)
            continue;
        int error = platform::start_detached(grab.entry.argv, hotkey_start_folder(grab.entry));
        if (error)
            say("cannot start " + grab.entry.argv[0] + " of " + file + ": " + std::strerror(error));
        return true;
    }
    return false;
}

void Thotkey_watch::pause(bool on) {
    if (on == paused_)
        return;
    paused_ = on;
    if (on)
        release_all();
    else
        rescan();
}

void start_program_hotkeys(QObject *owner) {
    if (hotkey_watch)
        return;
    move_earlier_program_links();
    hotkey_watch = new Thotkey_watch(hotkey_entry_folders(), owner);
    QObject::connect(hotkey_watch, &Thotkey_watch::keys_not_taken, owner,
                     [owner](const QString &report) { show_keys_not_taken(owner, report); });
}

void stop_program_hotkeys() {
    delete hotkey_watch;
    hotkey_watch = nullptr;
}

bool program_hotkey_pressed(int id) { return hotkey_watch && hotkey_watch->hotkey_pressed(id); }

void rescan_program_hotkeys() {
    if (hotkey_watch)
        hotkey_watch->rescan();
}

void pause_program_hotkeys(bool on) {
    if (hotkey_watch)
        hotkey_watch->pause(on);
}
