// SPDX-License-Identifier: MIT
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "input_buffer.h"
#include "integer_token.h"

/// The seven inputs of one question, in the order they are typed: ai weapon, ai patrol, ai
/// bearable danger, player known, player visible, player danger, player weapon.
using InputSet = std::array<std::int32_t, 7>;

/// What reading one set from the input came to.
struct SetReading {
    enum class Outcome {
        Complete,        ///< All seven values were read into `values`.
        Rejected,        ///< A token was not an integer or did not fit; its line is discarded.
        EndedBeforeSet,  ///< The input ended before the first value.
        EndedInSet,      ///< The input ended after `valuesRead` values, 1 to 6.
    };

    Outcome outcome = Outcome::Complete;
    InputSet values{};          ///< Valid only when `outcome` is `Complete`.
    int valuesRead = 0;         ///< How many values came before the input ended.
    std::string rejectedToken;  ///< The offending token, quoted, when `Rejected`.
    /// When `Rejected`, what the token was found to be instead of an integer that fits.
    IntegerToken::Verdict rejectedAs = IntegerToken::Verdict::Integer;
};

/// Reads seven whitespace-separated integers, across as many lines as they take. Reading stops
/// right after the seventh token, so whatever follows it on the line stays in `input`.
SetReading readSet(InputBuffer& input);
