// SPDX-License-Identifier: MIT
#include "set_reader.h"

#include "integer_token.h"

namespace {

// The separator that ended the token is left in the input: after the last value of a set it
// may be the only byte there is, and taking it could mean waiting for more from a terminal.
IntegerToken takeToken(InputBuffer& input) {
    IntegerToken token;
    for (int byte = input.peek(); byte != InputBuffer::kEnd && !InputBuffer::isSeparator(byte);
         byte = input.peek()) {
        token.feed(static_cast<unsigned char>(byte));
        input.advance();
    }
    return token;
}

void discardRestOfLine(InputBuffer& input) {
    for (int byte = input.peek(); byte != InputBuffer::kEnd; byte = input.peek()) {
        input.advance();
        if (byte == '\n') {
            return;
        }
    }
}

}  // namespace

SetReading readSet(InputBuffer& input) {
    SetReading reading;
    for (std::int32_t& value : reading.values) {
        if (input.skipSeparators() == InputBuffer::kEnd) {
            reading.outcome = reading.valuesRead == 0 ? SetReading::Outcome::EndedBeforeSet
                                                      : SetReading::Outcome::EndedInSet;
            return reading;
        }
        const IntegerToken token = takeToken(input);
        const IntegerToken::Verdict verdict = token.finish(value);
        if (verdict != IntegerToken::Verdict::Integer) {
            discardRestOfLine(input);
            reading.outcome = SetReading::Outcome::Rejected;
            reading.rejectedToken = token.quoted();
            reading.rejectedAs = verdict;
            return reading;
        }
        ++reading.valuesRead;
    }
    return reading;
}
