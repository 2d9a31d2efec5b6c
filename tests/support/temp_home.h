// A home folder of a test's own: while it lives, HOME points into a new temporary folder and no
// XDG folder is set, so that no test reads or writes the files of whoever runs it. The folder
// goes with everything in it.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <string>

#include "store/places.h"

class TempHome {
  public:
    TempHome() {
        char name[] = "/tmp/velmora-home-XXXXXX";
        if (!mkdtemp(name)) ADD_FAILURE() << "can't make a temporary home";
        path = name;
        setenv("HOME", name, 1);
        for (const char* v : {"XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_STATE_HOME"}) unsetenv(v);
    }
    ~TempHome() {
        std::error_code ignored;
        // A test may have taken the write permission away.
        std::filesystem::permissions(path, std::filesystem::perms::owner_all,
                                     std::filesystem::perm_options::add, ignored);
        for (const auto& entry : std::filesystem::recursive_directory_iterator(path, ignored))
            if (entry.is_directory(ignored))
                std::filesystem::permissions(entry.path(), std::filesystem::perms::owner_all,
                                             std::filesystem::perm_options::add, ignored);
        std::filesystem::remove_all(path, ignored);
    }
    TempHome(const TempHome&) = delete;
    TempHome& operator=(const TempHome&) = delete;

    Places places() const { return FindPlaces(); }

    std::string path;
};
