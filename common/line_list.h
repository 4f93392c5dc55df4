#pragma once
// An ordered list of owned text lines: replies and events are handed over as one. Lines are
// appended at the tail; for a reply the tail is the status line.

#include <cstddef>
#include <deque>
#include <string>
#include <utility>

namespace zep {

class LineList
{
public:
    using const_iterator = std::deque<std::string>::const_iterator;

    void Append(std::string line)
    {
        m_bytes += line.size();
        m_lines.push_back(std::move(line));
    }
    std::string TakeHead()
    {
        std::string line = std::move(m_lines.front());
        m_lines.pop_front();
        m_bytes -= line.size();
        return line;
    }
    void Clear()
    {
        m_lines.clear();
        m_bytes = 0;
    }

    bool Empty() const { return m_lines.empty(); }
    std::size_t Size() const { return m_lines.size(); }
    // Total text bytes held, for the buffer caps.
    std::size_t Bytes() const { return m_bytes; }
    const std::string& Head() const { return m_lines.front(); }
    const std::string& Tail() const { return m_lines.back(); }
    const std::string& operator[](std::size_t i) const { return m_lines[i]; }
    const_iterator begin() const { return m_lines.begin(); }
    const_iterator end() const { return m_lines.end(); }

private:
    std::deque<std::string> m_lines;
    std::size_t m_bytes = 0;
};

} // namespace zep
