#include "render/CsvReader.h"

namespace {

class CsvScanner {
public:
    explicit CsvScanner(std::string_view text) : m_text(text)
    {
        if (m_text.starts_with("\xEF\xBB\xBF"))
            m_pos = 3;
    }

    bool AtEnd() const { return m_pos >= m_text.size(); }

    CsvRecord Record()
    {
        CsvRecord record;
        record.line = m_line;
        for (;;) {
            std::string field;
            const bool read = Peek() == '"' ? QuotedField(field, record.problem) : PlainField(field, record.problem);
            record.fields.push_back(std::move(field));
            if (!read) {
                SkipLine();
                return record;
            }
            if (Peek() != ',') {
                EndOfLine();
                return record;
            }
            ++m_pos;
        }
    }

    // An empty line holds no record.
    bool SkipEmptyLine()
    {
        if (AtLineEnd()) {
            EndOfLine();
            return true;
        }
        return false;
    }

private:
    char Peek() const { return AtEnd() ? '\0' : m_text[m_pos]; }

    bool AtLineEnd() const
    {
        return Peek() == '\n' || (Peek() == '\r' && m_pos + 1 < m_text.size() && m_text[m_pos + 1] == '\n');
    }

    bool AtFieldEnd() const { return AtEnd() || Peek() == ',' || AtLineEnd(); }

    bool PlainField(std::string& field, std::string& problem)
    {
        for (; !AtFieldEnd(); ++m_pos) {
            if (Peek() == '"') {
                problem = "a quote inside a field that does not start with one";
                return false;
            }
            field += Peek();
        }
        return true;
    }

    bool QuotedField(std::string& field, std::string& problem)
    {
        ++m_pos;
        for (;;) {
            if (AtEnd()) {
                problem = "a quoted field is not closed";
                return false;
            }
            const char c = m_text[m_pos++];
            if (c == '\n')
                ++m_line;
            if (c != '"') {
                field += c;
            } else if (Peek() == '"') {
                field += '"';
                ++m_pos;
            } else if (AtFieldEnd()) {
                return true;
            } else {
                problem = "text after the closing quote of a field";
                return false;
            }
        }
    }

    void EndOfLine()
    {
        if (Peek() == '\r')
            ++m_pos;
        if (Peek() == '\n')
            ++m_pos;
        ++m_line;
    }

    void SkipLine()
    {
        while (!AtEnd() && Peek() != '\n')
            ++m_pos;
        EndOfLine();
    }

    std::string_view m_text;
    std::size_t m_pos = 0;
    int m_line = 1;
};

}  // namespace

std::vector<CsvRecord> ReadCsv(std::string_view text)
{
    std::vector<CsvRecord> records;
    for (CsvScanner scanner(text); !scanner.AtEnd();)
        if (!scanner.SkipEmptyLine())
            records.push_back(scanner.Record());
    return records;
}
