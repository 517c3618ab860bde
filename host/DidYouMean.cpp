#include "host/DidYouMean.h"

#include <algorithm>
#include <cctype>
#include <vector>

namespace {

char Folded(char c) { return char(std::tolower(static_cast<unsigned char>(c))); }

// Edits from `a` to `b`, a swap of neighbours counting as one (optimal string
// alignment distance).
size_t Distance(const std::string& a, const std::string& b) {
	std::vector<std::vector<size_t>> d(a.size() + 1, std::vector<size_t>(b.size() + 1));
	for (size_t i = 0; i <= a.size(); i++)
		d[i][0] = i;
	for (size_t j = 0; j <= b.size(); j++)
		d[0][j] = j;
	for (size_t i = 1; i <= a.size(); i++)
		for (size_t j = 1; j <= b.size(); j++) {
			const size_t change = Folded(a[i - 1]) == Folded(b[j - 1]) ? 0 : 1;
			d[i][j] = std::min({d[i - 1][j] + 1, d[i][j - 1] + 1, d[i - 1][j - 1] + change});
			if (i > 1 && j > 1 && Folded(a[i - 1]) == Folded(b[j - 2]) &&
			    Folded(a[i - 2]) == Folded(b[j - 1]))
				d[i][j] = std::min(d[i][j], d[i - 2][j - 2] + 1);
		}
	return d[a.size()][b.size()];
}

} // namespace

std::vector<std::string> NearestWords(const std::string& word, const std::vector<std::string>& candidates) {
	if (std::find(candidates.begin(), candidates.end(), word) != candidates.end()) return {};
	const size_t letters = word.size() - std::min(word.find_first_not_of('-'), word.size());
	size_t best = letters <= 1 ? 0 : letters <= 4 ? 1 : 2;
	std::vector<std::string> nearest;
	for (const std::string& candidate : candidates) {
		const size_t distance = Distance(word, candidate);
		if (distance > best) continue;
		if (distance < best) nearest.clear();
		best = distance;
		if (std::find(nearest.begin(), nearest.end(), candidate) == nearest.end())
			nearest.push_back(candidate);
	}
	return nearest;
}

std::string DidYouMean(const std::string& word, const std::vector<std::string>& candidates) {
	const std::vector<std::string> nearest = NearestWords(word, candidates);
	if (nearest.empty()) return {};
	std::string text = "did you mean";
	for (size_t i = 0; i < nearest.size(); i++)
		text += std::string(i == 0 ? " '" : i + 1 == nearest.size() ? " or '" : ", '") + nearest[i] + "'";
	return text + "?";
}
