// One file the program keeps between runs. It is read whole; one that cannot be read is moved
// aside, never overwritten; it is written atomically (a temporary file in the same folder,
// flushed, renamed over the old one, the folder flushed), so that no reader ever sees half of it.
// Every problem is said once on standard error, and the game plays on without the file.
#pragma once

#include <functional>
#include <string>

class KeptFile {
  public:
    // `dir` "" keeps nothing.
    KeptFile(std::string dir_t, std::string name_t);

    enum class Loaded { kMissing, kRead, kUnreadable };
    // The file's text. An unreadable file (a folder, no permission, an error while reading) is
    // set aside as with SetAside.
    Loaded Load(std::string& text);
    // The file could not be used (`why`): it is moved aside as NAME.bad (or NAME.bad.2, ...) and
    // said so; where that fails, this file is not written in this run.
    void SetAside(const std::string& why);
    // Never written in this run: a newer version wrote it.
    void Protect(const std::string& why);
    // Writes `text` as the whole file; whether it was written.
    bool Save(const std::string& text);
    // Removes the file; whether it is gone.
    bool Remove();
    // Runs `change` (which reads and writes this file) while holding the file's lock against
    // other copies of the game.
    void Locked(const std::function<void()>& change);

    std::string path() const { return dir + "/" + name; }

  private:
    // Where the text is written: the file, or a link's final target.
    std::string Target() const;
    // One line on standard error, only the first time for this file.
    void Say(const std::string& line);

    std::string dir;
    std::string name;
    bool writable = true;
    bool said = false;
};
