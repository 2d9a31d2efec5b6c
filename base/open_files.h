// How many files a program may hold open.
#pragma once

// Raises this process's limit of open files to the most the system lets it have: a program of
// thousands of connections needs a descriptor for each.
void RaiseOpenFiles();
