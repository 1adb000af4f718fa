#pragma once

namespace levy {
} // namespace levy
