// Loading the tool's lemma, match and stop lists (kinds 0 to 3) from the files the settings
// store names, with the progress shown the way every long job shows it.
//
// LoadALemmaMatchOrStopList(kind) hands the lemmatiser two call-backs: ListLoadSetNLines (the
// number of lines, before they are read) keeps the count in the page list, clears the bars and
// says "Loading <file>"; ListLoadShowProgress (every 1,024 lines, with the line reached) pumps the
// loop, then shows the percentage of the count, or, once a stop was asked for (Escape, the controller's stop codes), cancels the
// load so the list loaded before stays. Afterwards the runtime's loaded flag of the kind says
// whether the list is there (a load that failed or was cancelled leaves the list loaded before,
// and so the flag as it was), and the long message (also logged) says so.
//
// The call-backs are plain functions, so the page list they report to is the process's one,
// set with SetListLoadingPages (none: the count is kept nowhere and no percentage shown, the rest
// still happens).
#pragma once

#include <cstdint>

class TOneToolWindowList;

void SetListLoadingPages(TOneToolWindowList* pages);
void ListLoadSetNLines(int32_t n);
void ListLoadShowProgress(int32_t line);

// Loads the list of the kind for the current tool; true when it is loaded.
bool LoadALemmaMatchOrStopList(int kind);
// What codes 234-241 ask of the tool: load the kind's list, or drop it.
void LoadOrClearListNow(int kind, bool load);
// At start-up: lists the store no longer wants are dropped, wanted lists with an existing file
// that are not loaded yet are loaded.
void LoadWantedLists();
