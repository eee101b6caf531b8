// Counts words read from standard input and prints the ten most frequent.
#include <algorithm>
#include <cctype>
#include <iostream>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

int main()
{
    std::unordered_map<std::string, int> counts;
    std::string word;
    char ch;
    while (std::cin.get(ch)) {
        unsigned char c = static_cast<unsigned char>(ch);
        if (std::isalnum(c)) {
            word += static_cast<char>(std::tolower(c));
        } else if (!word.empty()) {
            ++counts[word];
            word.clear();
        }
    }
    if (!word.empty())
        ++counts[word];

    std::vector<std::pair<std::string, int>> items(counts.begin(), counts.end());
    const std::size_t top = std::min<std::size_t>(10, items.size());
    std::partial_sort(items.begin(), items.begin() + top, items.end(),
                      [](const auto &a, const auto &b) {
                          if (a.second != b.second)
                              return a.second > b.second;
                          return a.first < b.first;
                      });

    for (std::size_t i = 0; i < top; ++i)
        std::cout << items[i].second << '\t' << items[i].first << '\n';
    return 0;
}
