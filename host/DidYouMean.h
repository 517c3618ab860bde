// Suggestions for a word the user mistyped: an option, an add-on's name.
#pragma once

#include <string>
#include <vector>

// The candidates nearest to `word`, in the candidates' order: those fewest
// edits away (a character missing, added or changed, or two neighbours
// swapped, each one edit; case does not count), and no more edits than the
// word's length allows, leading dashes not counted: none for one character,
// one for up to four, two for more. Empty when none is that near, or `word`
// is itself a candidate. [any thread]
std::vector<std::string> NearestWords(const std::string& word, const std::vector<std::string>& candidates);

// "did you mean 'kestle'?", or with several "did you mean '--rate' or
// '--raw'?"; empty when no candidate is near. [any thread]
std::string DidYouMean(const std::string& word, const std::vector<std::string>& candidates);
