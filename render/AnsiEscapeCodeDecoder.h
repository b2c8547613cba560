#pragma once

#include <cstddef>

namespace SimpleTextImplDetails {

// Decoder of the ANSI colour escape sequences of the text overlay: ESC "[" n (";" n)* "m" with the SGR codes
// 0 (reset), 1 / 22 (bright on / off; off wins), 30-37 / 39 (foreground), 40-47 / 49 (background). Other
// numbers are ignored. Colours are applied through an executer, so the decoder holds no colour state itself.
class ANSI_EscapeCodeDecoder {
public:
    // What the decoder drives. `which` is 0 for the foreground, 1 for the background; `index` is a palette index
    // in [0, 7].
    class IEscapeCodeExecuter {
    public:
        virtual ~IEscapeCodeExecuter() = default;
        virtual void SetColor(int which, bool bright, int index) = 0;
        virtual void GetColor(int which, bool& bright, int& index) = 0;
    };

    static constexpr char kEscape = '\x1b';

    // Outcome of one sequence: where reading resumes and whether the sequence broke off, in which case the caller
    // draws one blank cell in its place.
    struct Result {
        size_t next = 0;
        bool blankCell = false;
    };

    // The executer is observed, not owned, and must outlive the decoder.
    explicit ANSI_EscapeCodeDecoder(IEscapeCodeExecuter* executer) : m_executer(executer) {}

    // Decodes the sequence whose ESC is text[pos] (pos < length). A complete sequence applies its colours and
    // resumes after its "m". A broken one applies nothing and resumes right after the ESC when no "[" follows it,
    // at the end when the text stops right after a number's digits, and otherwise at the "[" so that the rest is
    // drawn as characters.
    Result Decode(const char* text, size_t length, size_t pos);

private:
    void clearFlags();
    void code(long value);
    void apply();

    IEscapeCodeExecuter* m_executer;
    bool m_foregroundChanged = false;
    bool m_backgroundChanged = false;
    bool m_brightOn = false;
    bool m_brightOff = false;
    int m_foreground = 7;
    int m_background = 0;
};

}  // namespace SimpleTextImplDetails
