#pragma once
// Why a music file could not be opened for decoding.

enum class DecoderError { none, file, format };
