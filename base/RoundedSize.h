#pragma once
// The rounded size of a length: 1, 2, 5 or 10 times its power of ten, used for spacings and snap
// steps. With e = 10^floor(log10 L) and m = L / e: 10e if m > 7, 5e if m > 3, 2e if m > 1.5, else e.
namespace korvan {

double RoundedSize(double length);

}  // namespace korvan
