#!/usr/bin/env bash
# The README's embedding example is examples/embed.cpp as it is, so it compiles as the file does.
# Usage: readme_test.sh SOURCE_DIR
set -uo pipefail
cd "$1" || exit 1
shown=$(awk '/^`examples\/embed.cpp` is a complete host/ {found = 1}
  found && /^```cpp$/ {inside = 1; next} inside && /^```$/ {exit} inside' README.md)
diff <(printf '%s\n' "$shown") examples/embed.cpp && echo "README example is examples/embed.cpp"
