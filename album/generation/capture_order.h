#pragma once

#include <optional>
#include <vector>

#include "album/generation/page_picture.h"
#include "imaging/picture_facts.h"

// Puts `shown` in the order its pictures were taken (`taken`, one per picture): by the moment in
// UTC (a time recorded without its offset taken in this computer's time zone), then by file
// name; pictures without a time after those with one, by file name.
void OrderByCaptureTime(std::vector<PagePicture>& shown,
                        const std::vector<std::optional<CaptureTime>>& taken);
