// The scoreboard: draws the race from the snapshot in the page, then keeps
// it right from the WebSocket feed (/ws). Texts are set with textContent
// only. The clock is advanced here between the console's clock lines and set
// right by each of them; it stands at the last time the console sent (and
// is dimmed) while reception is off or the link warning is on.
'use strict';
(function () {
  const $ = (id) => document.getElementById(id);
  const kStaleMs = 25000;      // no message this long: the link is dead
  const kClockLeadMs = 2000;   // never run the clock further ahead than this

  let state = null;
  let clockAt = 0;             // performance.now() of the last clock line
  let socket = null;
  let lastMessage = 0;
  let retryMs = 1000;

  // "  1:02.34", "   25.06" -> hundredths; null when not a time.
  function hundredths(text) {
    const m = /^\s*(?:(\d+):)?(\d{1,2})?\.(\d{1,2})\s*$/.exec(text || '');
    if (!m) return null;
    const hh = m[3].length === 1 ? Number(m[3]) * 10 : Number(m[3]);
    return (Number(m[1] || 0) * 60 + Number(m[2] || 0)) * 100 + hh;
  }

  function clockText(h) {
    const mm = Math.floor(h / 6000), ss = Math.floor(h / 100) % 60, hh = h % 100;
    const pad = (n) => String(n).padStart(2, '0');
    return mm > 0 ? mm + ':' + pad(ss) + '.' + pad(hh) : ss + '.' + pad(hh);
  }

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
    if (!state) return null;
    return state.hold && state.result ? state.result : state.race;
  }

  function render() {
    const race = shown();
    const holding = !!(state && state.hold && state.result);
    $('race-no').textContent = race ? 'レース ' + race.race : '';
    $('race-title').textContent = race ? title(race) : '';
    $('race-sub').textContent = race ? heading(race) : '';
    $('result-mark').hidden = !holding;
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
        // beside its time, until the desk repairs or accepts it.
        const time = (l.time || '').trim() + (l.flag ? ' 要確認: ' + l.flag : '');
        if (l.flag) row.className += ' checking';
        for (const text of [String(l.lane), l.rank ? String(l.rank) : '', time,
                            l.metres ? l.metres + 'm' : '']) {
          const cell = document.createElement('td');
          cell.textContent = text;
          row.appendChild(cell);
        }
        body.appendChild(row);
      }
    }
    tick();
    document.body.dataset.race = race ? String(race.race) : '';
    document.body.dataset.ready = '1';
  }

  function tick() {
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

  function apply(msg) {
    if (msg.type === 'state') {
      state = msg;
      clockAt = performance.now();
      return;
    }
    if (!state) return;
    if (msg.type === 'heartbeat') {
      if (msg.seq !== state.seq) resync();
      return;
    }
    if (msg.seq !== state.seq + 1) {
      resync();  // a message was missed: take a fresh snapshot
      return;
    }
    state.seq = msg.seq;
    if ('hold' in msg) state.hold = msg.hold;
    switch (msg.type) {
      case 'race_shown':
        state.race = msg.race;  // the old lanes go at once
        state.clock = {text: '', running: false};
        break;
      case 'lane':
      case 'manual_entry':
      case 'lane_flagged':
        if (state.race && msg.lane && state.race.race === msg.race) {
          state.race.lanes[msg.lane.lane - 1] = msg.lane;
        }
        break;
      case 'clock':
        state.clock = msg.clock;
        clockAt = performance.now();
        break;
      case 'reception':
        state.reception = msg.reception;
        state.clock = msg.clock;
        break;
      case 'race_finished':
        state.result = msg.result;
        if (state.race && msg.result && state.race.race === msg.result.race) state.race = msg.result;
        break;
      case 'repair':
        state.race = msg.race;
        state.result = msg.result;
        break;
      case 'link':
        state.link = msg.link;
        break;
      default:
        break;
    }
  }

  function resync() {
    if (socket) socket.close();
  }

  function connect() {
    const scheme = location.protocol === 'https:' ? 'wss://' : 'ws://';
    const ws = new WebSocket(scheme + location.host + '/ws');
    socket = ws;
    ws.onopen = () => {
      retryMs = 1000;
      lastMessage = performance.now();
    };
    ws.onmessage = (event) => {
      lastMessage = performance.now();
      let msg;
      try {
        msg = JSON.parse(event.data);
      } catch (e) {
        return;
      }
      apply(msg);
      $('offline').hidden = true;
      if (msg.type === 'state') document.body.dataset.live = '1';
      render();
    };
    ws.onclose = () => {
      if (socket !== ws) return;
      socket = null;
      $('offline').hidden = false;
      setTimeout(connect, retryMs);
      retryMs = Math.min(retryMs * 2, 8000);
    };
  }

  // A phone that slept, or a link that died quietly: reconnect and catch up.
  setInterval(() => {
    if (socket && performance.now() - lastMessage > kStaleMs) socket.close();
  }, 5000);
  document.addEventListener('visibilitychange', () => {
    if (!document.hidden && socket && performance.now() - lastMessage > kStaleMs) socket.close();
  });
  setInterval(tick, 50);

  const snapshot = $('snapshot');
  if (snapshot) {
    try {
      apply(JSON.parse(snapshot.textContent));
    } catch (e) {
      state = null;
    }
  }
  render();
  connect();
})();
