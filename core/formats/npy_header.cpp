#include "npy_header.h"

namespace {

// Dimensions beyond this are refused before any arithmetic could overflow with them.
constexpr std::int64_t kMaxDimension = std::int64_t(1) << 40;

class Parser
{
public:
    Parser(const char *text, std::size_t size) : at_(text), end_(text + size) {}

    bool parse(NpyHeader &header, std::string &error)
    {
        bool haveDescr = false;
        bool haveOrder = false;
        bool haveShape = false;
        skipSpace();
        if (!take('{'))
            return fail(error, "does not start with '{'");
        skipSpace();
        while (!peek('}')) {
            std::string key;
            if (!string(key))
                return fail(error, "holds a key that is not a string");
            skipSpace();
            if (!take(':'))
                return fail(error, "lacks a ':' after a key");
            skipSpace();
            if (key == "descr" && !haveDescr) {
                haveDescr = string(header.descr);
                if (!haveDescr)
                    return fail(error, "has a 'descr' that is not a string");
            } else if (key == "fortran_order" && !haveOrder) {
                haveOrder = boolean(header.fortranOrder);
                if (!haveOrder)
                    return fail(error, "has a 'fortran_order' that is not True or False");
            } else if (key == "shape" && !haveShape) {
                haveShape = tuple(header.shape);
                if (!haveShape)
                    return fail(error, "has a 'shape' that is not a tuple of whole numbers");
            } else {
                return fail(error, "holds a key other than 'descr', 'fortran_order' and 'shape', "
                                   "or one of them twice");
            }
            skipSpace();
            if (take(',')) {
                skipSpace();
                continue;
            }
            if (!peek('}'))
                return fail(error, "lacks a ',' between entries");
        }
        take('}');
        // The format pads the dictionary with spaces and ends it with a newline.
        while (at_ < end_ && (*at_ == ' ' || *at_ == '\n' || *at_ == '\r' || *at_ == '\t'))
            ++at_;
        if (at_ != end_)
            return fail(error, "holds more than the dictionary");
        if (!haveDescr || !haveOrder || !haveShape)
            return fail(error, "lacks 'descr', 'fortran_order' or 'shape'");
        return true;
    }

private:
    static bool fail(std::string &error, const char *why)
    {
        error = std::string("header ") + why;
        return false;
    }

    bool peek(char c) const { return at_ < end_ && *at_ == c; }

    bool take(char c)
    {
        if (!peek(c))
            return false;
        ++at_;
        return true;
    }

    bool takeWord(const char *word)
    {
        const char *p = at_;
        for (; *word; ++word, ++p)
            if (p >= end_ || *p != *word)
                return false;
        at_ = p;
        return true;
    }

    void skipSpace()
    {
        while (at_ < end_ && (*at_ == ' ' || *at_ == '\t' || *at_ == '\n' || *at_ == '\r'))
            ++at_;
    }

    // A quoted string of printable characters, without escapes.
    bool string(std::string &out)
    {
        if (at_ >= end_ || (*at_ != '\'' && *at_ != '"'))
            return false;
        const char quote = *at_++;
        out.clear();
        while (at_ < end_ && *at_ != quote) {
            const unsigned char c = static_cast<unsigned char>(*at_);
            if (c < 0x20 || c > 0x7e || c == '\\' || out.size() >= 64)
                return false;
            out.push_back(char(c));
            ++at_;
        }
        return take(quote);
    }

    bool boolean(bool &out)
    {
        if (takeWord("True")) {
            out = true;
            return true;
        }
        if (takeWord("False")) {
            out = false;
            return true;
        }
        return false;
    }

    bool integer(std::int64_t &out)
    {
        out = 0;
        const char *start = at_;
        while (at_ < end_ && *at_ >= '0' && *at_ <= '9') {
            out = out * 10 + (*at_ - '0');
            if (out > kMaxDimension)
                return false;
            ++at_;
        }
        return at_ != start;
    }

    bool tuple(std::vector<std::int64_t> &out)
    {
        out.clear();
        if (!take('('))
            return false;
        skipSpace();
        while (!peek(')')) {
            std::int64_t n;
            if (out.size() >= 32 || !integer(n))
                return false;
            out.push_back(n);
            skipSpace();
            if (take(',')) {
                skipSpace();
                continue;
            }
            if (!peek(')'))
                return false;
        }
        return take(')');
    }

    const char *at_;
    const char *end_;
};

} // namespace

bool parseNpyHeader(const char *text, std::size_t size, NpyHeader &header, std::string &error)
{
    header = NpyHeader();
    return Parser(text, size).parse(header, error);
}

std::string npyFloat32Prefix(const std::string &shape)
{
    std::string dict = "{'descr': '<f4', 'fortran_order': False, 'shape': (" + shape + "), }";
    const std::size_t total = (10 + dict.size() + 1 + 63) / 64 * 64;
    dict.append(total - 10 - dict.size() - 1, ' ');
    dict.push_back('\n');
    const char magic[8] = {'\x93', 'N', 'U', 'M', 'P', 'Y', 1, 0};
    std::string prefix(magic, sizeof magic);
    prefix.push_back(static_cast<char>(dict.size() & 0xff));
    prefix.push_back(static_cast<char>(dict.size() >> 8));
    return prefix + dict;
}
