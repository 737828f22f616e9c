// The technician's day: today's and the next working day's slips, refreshed every ten seconds.
"use strict";

(function () {
  const POLL_MS = 10000;
  const STALE_MS = 30000;
  const TOKEN_KEY = "vdPhoneToken";

  let token = null;
  let etag = null;
  let lastHeard = null;
  let lastDay = null;
  let busy = false; // a change is being sent: the refresh waits

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

  async function call(method, path, body) {
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
      send_(slip, send.dataset.action, body, send);
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
      const start = slipButton(slip, null, "Start", "start", () => send_(slip, "start", {}, start));
      buttons.append(start);
    }
    buttons.append(slipButton(slip, "secondary", "Complete", "show-note", toggle(note, reason)),
                   slipButton(slip, "warn", "Can't finish", "show-reason", toggle(reason, note)));
    card.append(buttons, note, reason, el("p", "message"));
    card.setAttribute("role", "group");
    return card;
  }

  function render(day) {
    lastDay = day;
    $("title").textContent = day.technician ? day.technician + "'s day" : "My day";
    const days = $("days");
    const parts = [];
    for (const part of day.days) {
      parts.push(el("h2", null, part.title));
      if (!part.slips.length) parts.push(el("p", "none", "No slips."));
      for (const slip of part.slips) parts.push(slipCard(slip));
    }
    days.replaceChildren(...parts);
  }

  async function send_(slip, action, body, button) {
    const card = $("slip-" + slip.slip);
    const message = card.querySelector(".message");
    busy = true;
    button.disabled = true;
    message.className = "message";
    message.textContent = "";
    try {
      const response = await call("POST", "/api/slip/" + slip.slip + "/" + action, body);
      lastHeard = new Date();
      if (response.ok) {
        etag = null;
        busy = false;
        await refresh();
        const after = $("slip-" + slip.slip);
        const text = action === "start" ? "Started." : action === "complete" ? "Completed." : "Sent to the office.";
        if (after) {
          after.querySelector(".message").className = "message ok";
          after.querySelector(".message").textContent = text;
        }
        return;
      }
      message.textContent = await errorText(response);
      if (response.status === 401) forgetToken();
    } catch (e) {
      message.textContent = "The office cannot be reached. Nothing was changed; try again.";
    } finally {
      busy = false;
      button.disabled = false;
      showHeard();
    }
  }

  function forgetToken() {
    window.localStorage.removeItem(TOKEN_KEY);
    token = null;
    etag = null;
    showPairing("This phone is no longer paired. Ask the office for a new code.");
  }

  async function refresh() {
    if (!token || busy) {
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
    } catch (e) {
      $("pairMessage").textContent = "The office cannot be reached.";
    } finally {
      $("pairButton").disabled = false;
    }
  }

  function start() {
    takeTokenFromAddress();
    $("pairForm").addEventListener("submit", pair);
    if (!token) showPairing();
    else refresh();
    window.setInterval(refresh, POLL_MS);
    window.setInterval(showHeard, 5000);
    document.addEventListener("visibilitychange", () => {
      if (!document.hidden) refresh();
    });
  }

  start();
})();
