// The neighbour context that chooses a block's coeff_token table.
#pragma once

namespace orlin::codec {

// Marks a neighbour that does not exist (first block column or row of a plane);
// a block's TotalCoeff never reaches it.
inline constexpr int kNoNeighbour = 255;

// nC from the TotalCoeff of the block to the left and the block above.
inline int PredictCount(int left, int above) {
  if (left != kNoNeighbour && above != kNoNeighbour) return (left + above + 1) >> 1;
  if (left != kNoNeighbour) return left;
  if (above != kNoNeighbour) return above;
  return 0;
}

}  // namespace orlin::codec
