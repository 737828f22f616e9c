// The technician's day: today's and the next working day's slips, refreshed every ten seconds.
"use strict";

(function () {
  const POLL_MS = 10000;
  const STALE_MS = 30000;
  const TOKEN_KEY = "vdPhoneToken";
  // Changes tapped and not yet answered, each with the id it is sent with every time until the office answers.
  const OUTBOX_KEY = "vdPhoneOutbox";
  // The day's confirmations, shown until the day is over.
  const DONE_KEY = "vdPhoneDone";
  const SEND_TIMEOUT_MS = 20000;
  const DONE_WORDS = { start: "Started", complete: "Completed", cantfinish: "Sent to the office" };

  let token = null;
  let etag = null;
  let lastHeard = null;
  const refusals = {}; // slip -> the office's words refusing its last change
  const retries = {}; // request id -> the timer of its next try

  const $ = (id) => document.getElementById(id);

  function el(tag, className, text) {
    const node = document.createElement(tag);
    if (className) node.className = className;
    if (text !== undefined && text !== null) node.textContent = text;
    return node;
  }

  function clock(date) {
    return date.toLocaleTimeString([], { hour: "2-digit", minute: "2-digit", hour12: false });
  }

  function takeTokenFromAddress() {
    const match = /^#t=([A-Za-z0-9._~+\/=-]+)$/.exec(window.location.hash);
    if (match) {
      window.localStorage.setItem(TOKEN_KEY, decodeURIComponent(match[1]));
      window.history.replaceState(null, "", window.location.pathname);
    }
    token = window.localStorage.getItem(TOKEN_KEY);
  }

  function stored(key, fallback) {
    try {
      const value = JSON.parse(window.localStorage.getItem(key));
      return value === null ? fallback : value;
    } catch (e) {
      return fallback;
    }
  }

  function keep(key, value) {
    window.localStorage.setItem(key, JSON.stringify(value));
  }

  function outbox() {
    const list = stored(OUTBOX_KEY, []);
    return Array.isArray(list) ? list : [];
  }

  function localDay() {
    const d = new Date();
    return d.getFullYear() + "-" + (d.getMonth() + 1) + "-" + d.getDate();
  }

  // Today's confirmations, oldest first; yesterday's are gone.
  function confirmations() {
    const done = stored(DONE_KEY, null);
    return done && done.day === localDay() && Array.isArray(done.lines) ? done.lines : [];
  }

  function newRequestId() {
    const bytes = new Uint8Array(16);
    window.crypto.getRandomValues(bytes);
    return Array.from(bytes, (b) => b.toString(16).padStart(2, "0")).join("");
  }

  function showHeard() {
    const line = $("heard");
    if (!lastHeard) {
      line.textContent = token ? "Waiting for the office\u2026" : "";
      line.classList.remove("stale");
      return;
    }
    const stale = Date.now() - lastHeard.getTime() > STALE_MS;
    line.textContent = stale
      ? "Not heard from the office since " + clock(lastHeard) + ". The office computer may be off or out of reach."
      : "Last heard from the office " + clock(lastHeard);
    line.classList.toggle("stale", stale);
  }

  function showPairing(message) {
    $("pairing").hidden = false;
    $("days").replaceChildren();
    $("pairMessage").textContent = message || "";
    showHeard();
  }

  async function call(method, path, body, signal) {
    const headers = {};
    if (token) headers["Authorization"] = "Bearer " + token;
    if (body !== undefined) headers["Content-Type"] = "application/json";
    if (method === "GET" && etag) headers["If-None-Match"] = etag;
    return fetch(path, {
      method: method,
      headers: headers,
      body: body === undefined ? undefined : JSON.stringify(body),
      cache: "no-store",
      credentials: "omit",
      signal: signal,
    });
  }

  async function errorText(response) {
    try {
      const data = await response.json();
      if (data && typeof data.error === "string") return data.error;
    } catch (e) {
      // no text given
    }
    return "The office did not take it (" + response.status + ").";
  }

  function statusClass(status) {
    return status.toLowerCase().replace(/[^a-z]/g, "");
  }

  function linkLine(href, text) {
    const a = el("a", "line", text);
    a.href = href;
    return a;
  }

  // A button of a slip's card; `action` names it for the page's tests.
  function slipButton(slip, className, text, action, onClick) {
    const b = el("button", className, text);
    b.type = "button";
    b.dataset.action = action;
    b.dataset.slip = slip.slip;
    b.addEventListener("click", onClick);
    return b;
  }

  function textBox(slip, kind, label, button, buttonClass, required) {
    const box = el("div", "textbox");
    const id = kind + "-" + slip.slip;
    const caption = el("label", null, label);
    caption.htmlFor = id;
    const area = el("textarea");
    area.id = id;
    area.maxLength = 200;
    area.name = kind;
    const send = slipButton(slip, buttonClass, button, kind === "note" ? "complete" : "cantfinish", () => {
      const text = area.value.replace(/\s+/g, " ").trim();
      if (required && !text) {
        box.parentNode.querySelector(".message").textContent = "Say why the job cannot be finished";
        area.focus();
        return;
      }
      const body = kind === "note" ? { note: text } : { reason: text };
      tap(slip, send.dataset.action, body);
    });
    box.append(caption, area, send);
    box.hidden = true;
    return box;
  }

  function slipCard(slip) {
    const card = el("article", "slip");
    card.id = "slip-" + slip.slip;
    const top = el("div", "top");
    top.append(el("span", "time", slip.time), el("span", "status " + statusClass(slip.status), slip.status));
    card.append(top);
    card.append(el("div", "customer", slip.customer));
    card.append(el("div", "slipno", "Slip " + slip.slip));
    if (slip.address) card.append(linkLine("geo:0,0?q=" + encodeURIComponent(slip.address), slip.address));
    if (slip.telephone) card.append(linkLine("tel:" + slip.telephone.replace(/[^0-9+*#,]/g, ""), "Telephone " + slip.telephone));
    if (slip.cell) card.append(linkLine("tel:" + slip.cell.replace(/[^0-9+*#,]/g, ""), "Cell " + slip.cell));
    if (slip.services) card.append(el("div", "services", slip.services));
    if (slip.office) card.append(el("p", "office", "Changed by the office " + slip.office));

    const buttons = el("div", "buttons");
    const note = textBox(slip, "note", "Note for the office (optional)", "Send Complete", null, false);
    const reason = textBox(slip, "reason", "Why can't the job be finished?", "Send Can't finish", "warn", true);
    // Shows one box of text, hiding the other; a second click hides it again.
    const toggle = (show, hide) => () => {
      hide.hidden = true;
      show.hidden = !show.hidden;
      if (!show.hidden) show.querySelector("textarea").focus();
    };
    if (slip.status !== "In Progress") {
      const start = slipButton(slip, null, "Start", "start", () => tap(slip, "start", {}));
      buttons.append(start);
    }
    buttons.append(slipButton(slip, "secondary", "Complete", "show-note", toggle(note, reason)),
                   slipButton(slip, "warn", "Can't finish", "show-reason", toggle(reason, note)));
    card.append(buttons, note, reason, el("p", "message"));
    card.setAttribute("role", "group");
    return card;
  }

  function render(day) {
    $("title").textContent = day.technician ? day.technician + "'s day" : "My day";
    const days = $("days");
    const parts = [];
    for (const part of day.days) {
      parts.push(el("h2", null, part.title));
      if (!part.slips.length) parts.push(el("p", "none", "No slips."));
      for (const slip of part.slips) parts.push(slipCard(slip));
    }
    days.replaceChildren(...parts);
    showSending();
  }

  // What each card is waiting for or was last told, and the day's confirmations at the top; drawn again after
  // every change and every refresh, so that a refresh never wipes them.
  function showSending() {
    const done = confirmations();
    const sending = outbox();
    for (const card of document.querySelectorAll("article.slip")) {
      const slip = card.id.slice(5);
      const message = card.querySelector(".message");
      const waiting = sending.some((item) => String(item.slip) === slip);
      for (const b of card.querySelectorAll("button")) b.disabled = waiting;
      const last = done.filter((line) => String(line.slip) === slip).pop();
      if (waiting) {
        message.className = "message sending";
        message.textContent = "Sending\u2026 it goes as soon as the office answers.";
      } else if (refusals[slip]) {
        message.className = "message";
        message.textContent = refusals[slip];
      } else {
        message.className = last ? "message ok" : "message";
        message.textContent = last ? last.text : "";
      }
    }
    const list = $("done");
    list.replaceChildren(...done.map((line) => el("li", null, "Slip " + line.slip + ": " + line.text)));
    $("doneToday").hidden = !done.length;
  }

  // A tap on Start, Send Complete or Send Can't finish: the change gets its id and is kept until the office
  // answers, through lost answers and reloads of the page.
  function tap(slip, action, body) {
    const waiting = outbox();
    if (waiting.some((item) => String(item.slip) === String(slip.slip))) return;
    const item = { id: newRequestId(), slip: slip.slip, action: action, body: body, tries: 0 };
    waiting.push(item);
    keep(OUTBOX_KEY, waiting);
    delete refusals[slip.slip];
    showSending();
    deliver(item);
  }

  function settle(item) {
    keep(OUTBOX_KEY, outbox().filter((other) => other.id !== item.id));
    window.clearTimeout(retries[item.id]);
    delete retries[item.id];
  }

  // Sends a change (again); without an answer it is sent again later with the same id, so that the office stores it
  // once whatever became of the answers before.
  async function deliver(item) {
    if (!token) return;
    window.clearTimeout(retries[item.id]);
    const abort = new AbortController();
    const timer = window.setTimeout(() => abort.abort(), SEND_TIMEOUT_MS);
    let answered = false;
    try {
      const body = Object.assign({}, item.body, { request: item.id });
      const response = await call("POST", "/api/slip/" + item.slip + "/" + item.action, body, abort.signal);
      lastHeard = new Date();
      if (response.ok) {
        const data = await response.json();
        answered = true;
        settle(item);
        const lines = confirmations();
        lines.push({ slip: item.slip, text: DONE_WORDS[item.action] + " " + (data.at || clock(new Date())) });
        keep(DONE_KEY, { day: localDay(), lines: lines });
        etag = null;
        await refresh();
      } else if (response.status === 401) {
        answered = true;
        settle(item);
        forgetToken();
      } else if ([400, 404, 409, 413, 503].includes(response.status)) {
        // The office looked at it and said no (or that it could not store it): its own words are shown.
        answered = true;
        refusals[item.slip] = await errorText(response);
        settle(item);
      }
    } catch (e) {
      // no answer: the change may or may not be stored; the same request goes again
    } finally {
      window.clearTimeout(timer);
    }
    if (!answered && outbox().some((other) => other.id === item.id)) {
      item.tries += 1;
      retries[item.id] = window.setTimeout(() => deliver(item), Math.min(2000 * item.tries, 15000));
    }
    showSending();
    showHeard();
  }

  function forgetToken() {
    window.localStorage.removeItem(TOKEN_KEY);
    token = null;
    etag = null;
    showPairing("This phone is no longer paired. Ask the office for a new code.");
  }

  async function refresh() {
    if (!token) {
      showHeard();
      return;
    }
    try {
      const response = await call("GET", "/api/day");
      if (response.status === 304) {
        lastHeard = new Date();
      } else if (response.ok) {
        lastHeard = new Date();
        etag = response.headers.get("ETag");
        $("pairing").hidden = true;
        render(await response.json());
      } else if (response.status === 401) {
        forgetToken();
      }
    } catch (e) {
      // out of reach: the line below says since when
    }
    showHeard();
  }

  async function pair(event) {
    event.preventDefault();
    const code = $("code").value.trim();
    if (!code) return;
    $("pairButton").disabled = true;
    try {
      const response = await fetch("/api/pair", {
        method: "POST",
        headers: { "Content-Type": "application/json" },
        body: JSON.stringify({ code: code }),
        cache: "no-store",
        credentials: "omit",
      });
      if (!response.ok) {
        $("pairMessage").textContent = await errorText(response);
        return;
      }
      const data = await response.json();
      window.localStorage.setItem(TOKEN_KEY, data.token);
      token = data.token;
      $("pairing").hidden = true;
      $("code").value = "";
      await refresh();
      for (const item of outbox()) deliver(item);
    } catch (e) {
      $("pairMessage").textContent = "The office cannot be reached.";
    } finally {
      $("pairButton").disabled = false;
    }
  }

  function start() {
    takeTokenFromAddress();
    $("pairForm").addEventListener("submit", pair);
    showSending();
    if (!token) showPairing();
    else {
      refresh();
      for (const item of outbox()) deliver(item); // left unanswered before the page was closed or reloaded
    }
    window.setInterval(refresh, POLL_MS);
    window.setInterval(showHeard, 5000);
    document.addEventListener("visibilitychange", () => {
      if (!document.hidden) refresh();
    });
  }

  start();
})();
