#pragma once

// The first-run setup steps, in order.
enum class SetupStep { move, login, done };
