#include "render/AnsiEscapeCodeDecoder.h"

namespace SimpleTextImplDetails {

namespace {

bool isDigit(char c) { return c >= '0' && c <= '9'; }

// Any number past this is no code the decoder knows; saturating keeps long digit runs from overflowing.
constexpr long kNumberCap = 1000;

}  // namespace

void ANSI_EscapeCodeDecoder::clearFlags() {
    m_foregroundChanged = false;
    m_backgroundChanged = false;
    m_brightOn = false;
    m_brightOff = false;
    m_foreground = 7;
    m_background = 0;
}

void ANSI_EscapeCodeDecoder::code(long value) {
    if (value == 0) {
        m_foreground = 7;
        m_background = 0;
        m_foregroundChanged = true;
        m_backgroundChanged = true;
        m_brightOff = true;
    } else if (value == 1) {
        m_brightOn = true;
    } else if (value == 22) {
        m_brightOff = true;
    } else if (value >= 30 && value <= 37) {
        m_foreground = static_cast<int>(value - 30);
        m_foregroundChanged = true;
    } else if (value == 39) {
        m_foreground = 7;
        m_foregroundChanged = true;
    } else if (value >= 40 && value <= 47) {
        m_background = static_cast<int>(value - 40);
        m_backgroundChanged = true;
    } else if (value == 49) {
        m_background = 0;
        m_backgroundChanged = true;
    }
}

void ANSI_EscapeCodeDecoder::apply() {
    if (m_foregroundChanged || m_brightOn || m_brightOff) {
        bool bright = false;
        int index = 0;
        m_executer->GetColor(0, bright, index);
        if (m_foregroundChanged) {
            index = m_foreground;
        }
        if (m_brightOff) {
            bright = false;
        } else if (m_brightOn) {
            bright = true;
        }
        m_executer->SetColor(0, bright, index);
    }
    if (m_backgroundChanged) {
        m_executer->SetColor(1, false, m_background);
    }
}

ANSI_EscapeCodeDecoder::Result ANSI_EscapeCodeDecoder::Decode(const char* text, size_t length, size_t pos) {
    clearFlags();
    const size_t bracket = pos + 1;
    if (bracket >= length || text[bracket] != '[') {
        return {bracket, true};
    }
    const Result broken{bracket, true};
    size_t i = bracket + 1;
    for (;;) {
        if (i >= length || !isDigit(text[i])) {
            return broken;
        }
        long value = 0;
        while (i < length && isDigit(text[i])) {
            value = value * 10 + (text[i] - '0');
            if (value > kNumberCap) {
                value = kNumberCap;
            }
            ++i;
        }
        if (i >= length) {
            return {length, true};
        }
        code(value);
        if (text[i] == 'm') {
            apply();
            return {i + 1, false};
        }
        if (text[i] != ';') {
            return broken;
        }
        ++i;
    }
}

}  // namespace SimpleTextImplDetails
