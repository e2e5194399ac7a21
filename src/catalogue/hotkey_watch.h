// Program hotkeys: Vorkel takes the key of every desktop entry that
// carries a hotkey word (X-Vorkel-Hotkey=) in the user's applications and
// autostart folders, and starts the entry's program when that key is
// pressed anywhere on the desktop. The desktop itself starts nothing from
// such a word.
//
// The folders are read at start and again whenever one of them, or a
// watched entry, changes. Keys of entries that are gone (or whose word
// changed) are released. A combination that cannot be taken (another
// program holds it, or another entry or Vorkel's own rescue key does) is
// skipped; one line on standard error names the key and the entry, once.
// The keys that could not be taken at start (still not, a few seconds
// later) are told once more, to the user: keys_not_taken.
//
// Hotkey ids are 1000 and up, so they never meet the rescue key's 111.
//
// Threads: GUI thread only.
#pragma once

#include <QObject>
#include <QString>

#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

class QFileSystemWatcher;
class QTimer;

struct HOTKEY_ENTRY_STRUCT {
    std::string file;              // the desktop entry
    std::uint16_t word = 0;        // non-zero, with Ctrl or Alt and a known key
    std::vector<std::string> argv; // Exec, split, field codes dropped
    std::string working_directory; // Path=, empty when the entry has none
};

// The entry of file whose text is text, when it is an application entry
// (not Hidden) with a usable word for a key the system knows and an Exec
// line that splits and names a program that exists. unusable,
// when given, receives a word that is there but not usable (a bare letter),
// else 0.
std::optional<HOTKEY_ENTRY_STRUCT> hotkey_entry_of(const std::string &file, std::string_view text,
                                                   std::uint16_t *unusable = nullptr);

// Every entry with a usable word in the folders (their *.desktop files,
// not their subfolders), folders in the given order, files by name.
// Unreadable files, files over 64 KiB and damaged ones are skipped.
// unusable, when given, receives the files whose word is there but not
// usable, with that word.
std::vector<HOTKEY_ENTRY_STRUCT>
scan_hotkey_entries(const std::vector<std::string> &folders,
                    std::vector<std::pair<std::string, std::uint16_t>> *unusable = nullptr);

// The folders read: the applications folder, then the autostart folder.
std::vector<std::string> hotkey_entry_folders();

// Why a word cannot be a program's hotkey.
enum class HOTKEY_HOLDER {
    nobody,        // it can
    unusable,      // no Ctrl or Alt: it would stop that key from typing
    rescue_key,    // Vorkel's own rescue key
    entry,         // another entry carries it
    other_program, // another program on the display holds it
};
struct HOTKEY_CLASH_STRUCT {
    HOTKEY_HOLDER holder = HOTKEY_HOLDER::nobody;
    std::string entry; // the other entry's file (HOTKEY_HOLDER::entry)
};

// Who holds word, besides own_entry (the entry it is meant for): the word
// itself, the entries in folders, then the display, asked by taking and
// releasing the key at once. Vorkel's program hotkeys must be released
// meanwhile (the Hotkeys dialog pauses them), or they count as another
// program. A key the system does not know counts as held.
HOTKEY_CLASH_STRUCT hotkey_clash(std::uint16_t word, const std::string &own_entry,
                                 const std::vector<std::string> &folders);

// The reason as a person reads it: "another program holds it".
std::string hotkey_clash_reason(const HOTKEY_CLASH_STRUCT &clash);

// The folder an entry's program starts in: Path= when set, else the folder
// of the program file (looked up in $PATH for a bare name), else empty.
std::string hotkey_start_folder(const HOTKEY_ENTRY_STRUCT &entry);

class Thotkey_watch : public QObject {
    Q_OBJECT
public:
    struct GRAB {
        int id = 0;
        HOTKEY_ENTRY_STRUCT entry;
    };

    explicit Thotkey_watch(std::vector<std::string> folders, QObject *owner = nullptr);
    ~Thotkey_watch() override; // releases every key it holds

    // Reads the folders and takes and releases keys to match.
    void rescan();
    // Starts the program of hotkey id; false when the id is not one of
    // this watch's keys.
    bool hotkey_pressed(int id);
    // While paused no key is held (a dialog asking for a combination
    // must receive it); resuming reads the folders again.
    void pause(bool on);

    // The keys held now, by entry file.
    const std::map<std::string, GRAB> &grabs() const { return grabs_; }

signals:
    // Once, a few seconds after the watch starts, when some keys could not
    // be taken: one line per key, "Ctrl+Alt+G of <entry>: <reason>".
    // Queued, so a handler connected right after construction sees it.
    void keys_not_taken(const QString &report);

private:
    void release_all();
    void watch_paths();

    std::vector<std::string> folders_;
    std::map<std::string, GRAB> grabs_;
    std::set<std::pair<std::string, std::uint16_t>> reported_;
    bool start_report_due_ = true;
    int refused_scans_ = 0;
    QFileSystemWatcher *watcher_ = nullptr;
    QTimer *settle_ = nullptr;
    // Asks again, every few seconds, for keys another program held at the
    // last try: a key held only for a moment (a program checking whether
    // it is free) or released later is then taken after all.
    QTimer *retry_ = nullptr;
    int next_id_;
    bool paused_ = false;
};

// The program's one watch (null while there is none), made by
// start_program_hotkeys with owner as its parent, after the entries of
// earlier versions moved to their own ids (startup_links.h). Keys that
// cannot be taken at start are shown in a box that waits for nobody
// (owned by owner when it is a window).
extern Thotkey_watch *hotkey_watch;
void start_program_hotkeys(QObject *owner);
void stop_program_hotkeys();
// Forwarders to hotkey_watch; each does nothing without one.
bool program_hotkey_pressed(int id);
void rescan_program_hotkeys();
void pause_program_hotkeys(bool on);
