// The scoreboard: draws the race the live feed (feed.js) keeps, from the
// snapshot in the page on. Texts are set with textContent only. The clock
// is advanced here between the console's clock lines and set right by each
// of them; it stands at the last time the console sent (and is dimmed)
// while reception is off or the link warning is on.
'use strict';
(function () {
  const $ = (id) => document.getElementById(id);
  const kClockLeadMs = 2000;   // never run the clock further ahead than this
  const {hundredths, clockText, fit} = window.LiveFeed;
  let feed = {state: null, clockAt: 0};

  function heading(race) {
    const parts = [];
    if (race.program) parts.push('プログラム ' + race.program);
    if (race.heat) parts.push('第' + race.heat + '組' + (race.heats ? '／' + race.heats + '組' : ''));
    return parts.join('　');
  }

  function title(race) {
    return [race.sex, race['class'], race.event, race.round]
        .map((c) => (c && c.label) || '').filter((t) => t).join('　');
  }

  function shown() {
    const state = feed.state;
    if (!state) return null;
    return state.hold && state.result ? state.result : state.race;
  }

  function render() {
    const state = feed.state;
    const race = shown();
    const holding = !!(state && state.hold && state.result);
    $('race-no').textContent = race ? 'レース ' + race.race : '';
    $('race-title').textContent = race ? title(race) : '';
    $('race-sub').textContent = race ? heading(race) : '';
    $('result-mark').hidden = !holding;
    // A race the referee signed off says 公式 instead.
    const official = !!(race && race.official);
    $('official').hidden = !official;
    $('unofficial').hidden = official;
    $('link-lost').hidden = !(state && state.link && state.link.lost);
    $('reception-off').hidden = !(state && state.reception && !state.reception.on);
    if (state && state.link && state.link.lost && state.link.text) {
      $('link-lost').title = state.link.text;
    }
    const body = $('lanes');
    body.replaceChildren();
    if (race) {
      let lanes = race.lanes.filter((l) => l.entry || l.time);
      if (race.finished) {
        lanes = lanes.slice().sort((a, b) => (a.rank || 99) - (b.rank || 99) || a.lane - b.lane);
      }
      for (const l of lanes) {
        const row = document.createElement('tr');
        row.className = 'lane' + (l.finished ? ' finished' : '');
        row.dataset.lane = l.lane;
        // A lane whose touches look wrong at the desk: 要確認 and the reason
        // under its time, until the desk repairs or accepts it.
        if (l.flag) row.className += ' checking';
        const lines = (cls, pairs) => {
          const cell = document.createElement('td');
          cell.className = cls;
          for (const [c, t] of pairs) {
            const line = document.createElement('div');
            line.className = c;
            line.textContent = t || '';
            cell.appendChild(line);
          }
          return cell;
        };
        for (const text of [String(l.lane), l.rank ? String(l.rank) : '', 'who', 'time',
                            l.metres ? l.metres + 'm' : '']) {
          let cell;
          if (text === 'who') {
            // The swimmer: the name over the club, each on one line.
            cell = lines('who', [['name', l.name], ['club', l.club]]);
          } else if (text === 'time') {
            cell = lines('time', [['text', (l.time || '').trim()],
                                  ['flag', l.flag ? '要確認: ' + l.flag : '']]);
          } else {
            cell = document.createElement('td');
            cell.textContent = text;
          }
          row.appendChild(cell);
        }
        body.appendChild(row);
      }
      for (const line of body.querySelectorAll('.who div, .time div')) fit(line);
    }
    tick();
    document.body.dataset.race = race ? String(race.race) : '';
    document.body.dataset.ready = '1';
  }

  function tick() {
    const state = feed.state, clockAt = feed.clockAt;
    const el = $('clock');
    if (!state || !state.clock || (state.hold && state.result)) {
      el.textContent = '';
      return;
    }
    const base = hundredths(state.clock.text);
    if (base === null) {
      el.textContent = (state.clock.text || '').trim();
      return;
    }
    let h = base;
    const receiving = !!(state.reception && state.reception.on);
    const lost = !!(state.link && state.link.lost);
    if (state.clock.running && receiving && !lost) {
      h += Math.floor(Math.min(performance.now() - clockAt, kClockLeadMs) / 10);
    }
    el.classList.toggle('stopped', !receiving || lost);
    el.textContent = clockText(h);
  }

  setInterval(tick, 50);

  window.LiveFeed.start({
    render: (current) => {
      feed = current;
      render();
    },
    offline: (off) => {
      $('offline').hidden = !off;
    },
  });
})();
