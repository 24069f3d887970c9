#include "platform/runtime/derived_stats.h"

#include "platform/runtime/vx_maths.h"

double AssociationValue(int stat, double joint, double freq1, double freq2, double total, int32_t left_words,
                        int32_t right_words) {
  return RelationshipComputation(stat, joint, freq1, freq2, total, TSpanPair{left_words, right_words});
}

double DispersionOfCounts(std::span<const int32_t> counts) { return DispersionValue(counts); }

double ShareOfTotal(double total, int display_kind, double value) {
  return AsPercentOrPPMOfTotal(total, display_kind, value);
}
