#include "KernelCounters.h"

#include <fstream>
#include <sstream>
#include <vector>

namespace {

std::vector<std::string> wordsOf(const std::string& line) {
    std::istringstream stream(line);
    std::vector<std::string> words;
    for (std::string word; stream >> word;) {
        words.push_back(word);
    }
    return words;
}

} // namespace

// The file holds a line of names and then a line of values for each group.
long tcpExtensionCounter(const std::string& name) {
    std::ifstream file("/proc/net/netstat");
    for (std::string names, values; std::getline(file, names) && std::getline(file, values);) {
        const std::vector<std::string> keys = wordsOf(names);
        const std::vector<std::string> numbers = wordsOf(values);
        for (std::size_t i = 1; keys.front() == "TcpExt:" && i < keys.size() && i < numbers.size(); ++i) {
            if (keys[i] == name) {
                return std::stol(numbers[i]);
            }
        }
    }
    return -1;
}
