// The overlays for a stream (/overlay/lanes, /overlay/result,
// /overlay/clock): the live feed (feed.js) drawn on a transparent page laid
// out for 1920x1080. ?scale=S scales the whole frame, ?delay=MS holds every
// update that long (a camera's delay); /overlay/result shows the top three,
// or the whole heat with ?rows=all. Texts are set with textContent only;
// a text too long for its bar is drawn smaller, never wrapped.
'use strict';
(function () {
  const $ = (id) => document.getElementById(id);
  const kind = document.body.dataset.kind;
  const params = new URLSearchParams(location.search);
  const kClockLeadMs = 2000;
  const {hundredths, clockText, fit} = window.LiveFeed;
  let feed = {state: null, clockAt: 0};

  const scale = Math.min(4, Math.max(0.1, Number(params.get('scale')) || 1));
  document.documentElement.style.setProperty('--ov-scale', String(scale));
  for (const box of ['clock', 'lanes', 'result']) $(box + '-box').hidden = box !== kind;

  function title(race) {
    return [race.sex, race['class'], race.event, race.round]
        .map((c) => (c && c.label) || '').filter((t) => t).join(' ');
  }

  function heat(race) {
    if (!race.heat) return '';
    return '第' + race.heat + '組' + (race.heats ? '／' + race.heats + '組' : '');
  }

  function row(cells) {
    const line = document.createElement('div');
    line.className = 'bar ov-row';
    for (const [cls, text] of cells) {
      const cell = document.createElement('span');
      cell.className = cls;
      cell.textContent = text || '';
      line.appendChild(cell);
    }
    return line;
  }

  function head(prefix, race) {
    $(prefix + '-title').textContent = race ? title(race) : '';
    $(prefix + '-heat').textContent = race ? heat(race) : '';
  }

  function drawLanes(race) {
    head('ov-lanes', race);
    const box = $('ov-lanes');
    box.replaceChildren();
    if (!race) return;
    for (const l of race.lanes.filter((l) => l.entry || l.time)) {
      const time = (l.time || '').trim();
      const line = row([['ov-lane', String(l.lane)], ['ov-name', l.name], ['ov-club', l.club],
                        ['ov-rank', l.rank ? String(l.rank) : ''], ['ov-time', time]]);
      if (l.finished) line.classList.add('finished');
      box.appendChild(line);
    }
  }

  function drawResult(race) {
    head('ov-result', race);
    const box = $('ov-result');
    box.replaceChildren();
    if (!race) return;
    let lanes = race.lanes.filter((l) => l.entry || l.time);
    lanes = lanes.slice().sort((a, b) => (a.rank || 99) - (b.rank || 99) || a.lane - b.lane);
    if (params.get('rows') !== 'all') lanes = lanes.filter((l) => l.rank).slice(0, 3);
    for (const l of lanes) {
      box.appendChild(row([['ov-rank', l.rank ? String(l.rank) : ''], ['ov-lane', String(l.lane)],
                           ['ov-name', l.name], ['ov-club', l.club],
                           ['ov-time', (l.time || '').trim()]]));
    }
  }

  function render() {
    const state = feed.state;
    if (kind === 'lanes') drawLanes(state && state.race);
    if (kind === 'result') drawResult(state && state.result);
    if (kind === 'clock') {
      head('ov', state && state.race);
      // Hidden whole while the time on it could be wrong.
      const off = !state || !(state.reception && state.reception.on) ||
                  !!(state.link && state.link.lost);
      $('clock-box').hidden = off;
      tick();
    }
    for (const el of document.querySelectorAll('.bar span')) fit(el);
    document.body.dataset.seq = state ? String(state.seq) : '';
    document.body.dataset.ready = '1';
  }

  function tick() {
    const state = feed.state;
    const el = $('ov-clock');
    if (!state || !state.clock) {
      el.textContent = '';
      return;
    }
    const base = hundredths(state.clock.text);
    if (base === null) {
      el.textContent = (state.clock.text || '').trim();
      return;
    }
    let h = base;
    if (state.clock.running) {
      h += Math.floor(Math.min(performance.now() - feed.clockAt, kClockLeadMs) / 10);
    }
    el.textContent = clockText(h);
  }

  if (kind === 'clock') setInterval(tick, 50);
  window.LiveFeed.start({
    render: (current) => {
      feed = current;
      render();
    },
    delayMs: params.get('delay'),
  });
})();
