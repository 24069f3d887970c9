// The statistics of vx_maths.h under names that do not clash with the concordance's own span
// record (line_sections.h has a TSpanPair of span positions): units that include the
// concordance headers call these. Each forwards to the one formula in vx_maths.
#pragma once

#include <cstdint>
#include <span>

// RelationshipComputation with a collocation span of left_words + right_words positions.
double AssociationValue(int stat, double joint, double freq1, double freq2, double total, int32_t left_words,
                        int32_t right_words);
// DispersionValue (Juilland's D) of counts per division.
double DispersionOfCounts(std::span<const int32_t> counts);
// AsPercentOrPPMOfTotal.
double ShareOfTotal(double total, int display_kind, double value);
