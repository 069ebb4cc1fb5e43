// Scaling of WIC sources. Where the platform's scaler ignores its interpolation mode
// (found by a probe on first use), our own area-averaging / bilinear scaler stands in.
#pragma once
#include <wincodec.h>

namespace wic_scaler {

// True when the platform's scaler interpolates as asked; probed once per process.
bool PlatformScalerInterpolates();

// The source scaled to width x height: the source itself when it already has that
// size; null on failure. Nearest-neighbour requests always use the platform scaler.
IWICBitmapSource* ScaleSource(IWICImagingFactory* factory, IWICBitmapSource* source, UINT width, UINT height,
                              WICBitmapInterpolationMode mode);

// Our scaler alone: area averaging where a side shrinks, bilinear where it grows, on
// premultiplied colour so that transparent edges do not darken. Reads the source a row
// at a time; the result is a 32-bit BGRA bitmap of the target size.
IWICBitmapSource* ScaleWithOwnScaler(IWICImagingFactory* factory, IWICBitmapSource* source, UINT width, UINT height);

}  // namespace wic_scaler
