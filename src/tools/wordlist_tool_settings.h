// The word-list tool's own stored settings as linzora_wordlist shows and changes them
// ("settings NAME=VALUE..."): the word-list settings its lists are counted with, the corpus
// index's cluster settings, the moving window's and the consistency list's, its stop list
// (the file, and whether its words also leave the statistics) and its lemma list (the file, and
// whether a lemma counts by its head word alone and shows its head word among its forms). Each
// setting has a
// name, a range and one field of one record of the settings store; the concordancer reads the
// same store.
#pragma once

#include <string>
#include <vector>

// Every setting as "name = value" lines, in a fixed order.
std::vector<std::string> WordlistToolSettingsLines();
// Applies "name=value" changes: every one is checked first, and the store is written only when
// all are good. False with the first problem in `error` (an unknown name, a value out of range).
bool ChangeWordlistToolSettings(const std::vector<std::string>& changes, std::string& error);
