// The file a capture writes: made in the target's folder before the first frame with no name of its
// own, and given the target's name only once it is complete, so that no failure, signal or kill
// leaves a file under a name the user does not know.
#pragma once

// How the file is made while it is written.
enum TargetFile {
    TARGET_UNNAMED, // no name at all (O_TMPFILE), or a hidden one where the file system cannot
    TARGET_HIDDEN, // a hidden name beside the target, removed on every signal that can be caught
};

// Called by capture_run before anything is drawn. Checks the target (its folder is there and takes a
// file, it is not a folder, its name fits, it is not there already unless force) and makes the file.
// Says why on stderr and returns false when the target cannot be written.
bool target_open(const char* output, bool force, TargetFile file);
// The path the encoder opens to write the file (and to read it back): it names the open file itself,
// whatever the working folder, and even once the target's folder has moved.
const char* target_path();
// Gives the complete file the target's name, with the permissions a new file gets. Says why on
// stderr and drops the file when it cannot.
bool target_publish();
// Drops the file: the folder holds what it held before.
void target_discard();
