// Reading a matrix from standard input and printing it to standard output as
// a right-aligned fixed-point table.
#include <iomanip>
#include <iostream>

#include "matrix/matrix.h"

void Matrix::ReadMat() {
  // The stream's state is never cleared: once an extraction fails, std::cin
  // stays failed and every later element repeats the last value that was read
  // in this call (or 0.0 if none was). Each extraction goes to a separate
  // target and is kept only when it succeeded, because a failed extraction
  // overwrites its target (with 0 or with the largest double on overflow),
  // and that value must not be stored.
  double value = 0.0;
  for (int i = 0; i < rows; ++i) {
    for (int j = 0; j < cols; ++j) {
      double extracted = 0.0;
      if (std::cin >> extracted) {
        value = extracted;
      }
      PutElement(value, i, j);
    }
  }
}

void Matrix::PrintMat() const {
  // The notation flags are added to the stream and left in force; the width
  // is reset by every insertion, so it is set again before each element.
  std::cout << std::fixed << std::setprecision(3) << std::showpoint;
  for (int i = 0; i < rows; ++i) {
    for (int j = 0; j < cols; ++j) {
      std::cout << std::setw(20) << GetElement(i, j);
    }
    std::cout << std::endl;
  }
}
