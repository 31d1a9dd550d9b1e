#pragma once

// What asks the notch scheduler for a showing of the island.
enum class NotchTrigger { login, wake, check, resume, manual };
