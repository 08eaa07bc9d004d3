// Which marker a pointer means: the one nearest to it on screen within a small
// radius, among those the station does not hide. A marker is hidden when the
// rendered station lies in front of it at its pixel by more than `slack`.

// Pixels (CSS) around the pointer within which a marker is taken.
export const PICK_RADIUS = 14;

// points: [{ x, y, depth, slack }] in CSS pixels, depth as distance along the
// view axis; stationDepth(x, y): the station's depth there (Infinity where no
// block is drawn). Returns the index of the nearest visible point within
// `radius` of (x, y), or -1.
export function nearestVisible(points, x, y, stationDepth, radius = PICK_RADIUS) {
  let best = -1;
  let bestD2 = radius * radius;
  for (let i = 0; i < points.length; ++i) {
    const p = points[i];
    const d2 = (p.x - x) ** 2 + (p.y - y) ** 2;
    if (d2 > bestD2) continue;
    if (p.depth > stationDepth(p.x, p.y) + p.slack) continue;
    best = i;
    bestD2 = d2;
  }
  return best;
}
