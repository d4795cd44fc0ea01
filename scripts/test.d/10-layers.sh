# The includes follow the layer arrows of docs/architecture.md.
set -euo pipefail
python3 "$(dirname "$0")/../check-layers"
echo "the includes follow the layer arrows"
