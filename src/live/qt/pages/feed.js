// The live feed that the scoreboard and the overlays draw from: the state
// from the snapshot in the page (a script element with the id "snapshot"),
// kept right from the WebSocket feed (/ws). A message missed (its sequence
// number) or a link quiet too long brings a fresh snapshot. With a delay,
// every message is held that long after it arrived before it is applied,
// in order, so a page can match a camera's delay.
'use strict';
window.LiveFeed = (function () {
  const kStaleMs = 25000;  // no message this long: the link is dead

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

  // Draws `el` smaller until its text fits its box on one line: a long
  // name is shrunk, never wrapped a character a line.
  function fit(el) {
    el.style.fontSize = '';
    if (el.scrollWidth <= el.clientWidth + 1) return;
    const base = parseFloat(getComputedStyle(el).fontSize);
    let scale = 1;
    for (let i = 0; i < 8 && el.scrollWidth > el.clientWidth + 1; ++i) {
      scale *= Math.max(0.3, (el.clientWidth / el.scrollWidth) * 0.97);
      el.style.fontSize = (base * scale).toFixed(2) + 'px';
    }
  }

  // options.render(feed): after every change, the first before start
  // returns; options.offline(bool): the link lost or back; options.delayMs:
  // how long each message is held.
  function start(options) {
    const feed = {state: null, clockAt: 0};
    const delayMs = Math.max(0, Number(options.delayMs) || 0);
    let socket = null;
    let lastMessage = 0;
    let retryMs = 1000;
    const held = [];  // [due, message] in arrival order

    function resync() {
      if (socket) socket.close();
    }

    function apply(msg) {
      if (msg.type === 'state') {
        feed.state = msg;
        feed.clockAt = performance.now();
        return;
      }
      const state = feed.state;
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
          feed.clockAt = performance.now();
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
        case 'official':
          state.result = msg.result;
          if (state.race && state.race.race === msg.race) state.race.official = msg.official;
          break;
        default:
          break;
      }
    }

    function take(msg) {
      apply(msg);
      if (msg.type === 'state') document.body.dataset.live = '1';
      options.render(feed);
    }

    function releaseHeld() {
      const now = performance.now();
      let changed = false;
      while (held.length && held[0][0] <= now) {
        apply(held.shift()[1]);
        changed = true;
      }
      if (changed) options.render(feed);
      // A timer may fire a little early: what is not yet due waits on.
      if (held.length) setTimeout(releaseHeld, Math.max(1, held[0][0] - now));
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
        if (options.offline) options.offline(false);
        if (delayMs > 0) {
          held.push([lastMessage + delayMs, msg]);
          setTimeout(releaseHeld, delayMs);
          if (msg.type === 'state') document.body.dataset.live = '1';
        } else {
          take(msg);
        }
      };
      ws.onclose = () => {
        if (socket !== ws) return;
        socket = null;
        if (options.offline) options.offline(true);
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

    const snapshot = document.getElementById('snapshot');
    if (snapshot) {
      try {
        apply(JSON.parse(snapshot.textContent));
      } catch (e) {
        feed.state = null;
      }
    }
    options.render(feed);
    connect();
    return feed;
  }

  return {hundredths, clockText, fit, start};
})();
