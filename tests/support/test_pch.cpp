// Compiled only to make the test programs' precompiled header.
