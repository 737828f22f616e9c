// The technician's day: today's and the next working day's slips, refreshed every ten seconds. Every change the
// technician makes waits in one queue on the phone and goes to the office in the order it was made, also when
// the office is out of reach for a while and the page is reloaded meanwhile.
"use strict";

(function () {
  const POLL_MS = 10000;
  const STALE_MS = 30000;
  const TOKEN_KEY = "vdPhoneToken";
  // Changes tapped and not yet answered, oldest first, each with the id it is sent with every time until the
  // office answers.
  const OUTBOX_KEY = "vdPhoneOutbox";
  // The day's confirmations, shown until the day is over.
  const DONE_KEY = "vdPhoneDone";
  // The office's last answers refusing a change, by slip, for the day.
  const REFUSED_KEY = "vdPhoneRefused";
  // The day as the office last sent it, and when: shown while the office cannot be reached.
  const DAY_KEY = "vdPhoneDay";
  const SEND_TIMEOUT_MS = 20000;
  const UPLOAD_TIMEOUT_MS = 120000;
  const MAX_PHOTOS = 10;
  const PHOTO_EDGE = 1600;
  const PHOTO_QUALITY = 0.85;
  const DONE_WORDS = {
    start: "Started",
    complete: "Completed",
    cantfinish: "Sent to the office",
    photo: "Photo sent",
    signature: "Signed",
  };
  const WAITING_WORDS = {
    start: "Start",
    complete: "Complete",
    cantfinish: "Can't finish",
    photo: "a photo",
    signature: "the signature",
  };

  let token = null;
  let etag = null;
  let lastHeard = null;
  let dayShown = null; // the day on the page: { day, at } (at: when the office sent it, ms)
  let fresh = false; // the day shown came with the last refresh
  let unreachable = false; // the last refresh had no answer
  let pumping = false;
  let pumpTimer = null;
  let tries = 0;
  let sendingNow = null; // { id, progress } of the change on its way
  const slips = {}; // slip number -> the slip as last shown

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

  // Something kept for today only: yesterday's is gone.
  function todays(key, fallback) {
    const kept = stored(key, null);
    return kept && kept.day === localDay() && kept.value !== undefined ? kept.value : fallback;
  }

  function keepToday(key, value) {
    keep(key, { day: localDay(), value: value });
  }

  // Today's confirmations, oldest first.
  function confirmations() {
    const done = stored(DONE_KEY, null);
    return done && done.day === localDay() && Array.isArray(done.lines) ? done.lines : [];
  }

  function refusals() {
    return todays(REFUSED_KEY, {});
  }

  function setRefusal(slip, text) {
    const all = refusals();
    if (text) all[slip] = text;
    else delete all[slip];
    keepToday(REFUSED_KEY, all);
  }

  function newRequestId() {
    const bytes = new Uint8Array(16);
    window.crypto.getRandomValues(bytes);
    return Array.from(bytes, (b) => b.toString(16).padStart(2, "0")).join("");
  }

  // ----- The pictures of queued photos and signatures: IndexedDB where the phone has it, else the page's memory.
  const memoryPayloads = {};
  let database = null;

  function openDatabase() {
    if (database) return database;
    database = new Promise((resolve) => {
      try {
        const request = window.indexedDB.open("vdPhone", 1);
        request.onupgradeneeded = () => request.result.createObjectStore("payloads");
        request.onsuccess = () => resolve(request.result);
        request.onerror = () => resolve(null);
      } catch (e) {
        resolve(null);
      }
    });
    return database;
  }

  async function payloadStore(mode, work) {
    const db = await openDatabase();
    if (!db) return work(null);
    return new Promise((resolve) => {
      try {
        const transaction = db.transaction("payloads", mode);
        const request = work(transaction.objectStore("payloads"));
        transaction.oncomplete = () => resolve(request ? request.result : undefined);
        transaction.onerror = transaction.onabort = () => resolve(undefined);
      } catch (e) {
        resolve(undefined);
      }
    });
  }

  async function putPayload(id, data) {
    memoryPayloads[id] = data;
    await payloadStore("readwrite", (store) => store && store.put(data, id));
  }

  async function getPayload(id) {
    if (memoryPayloads[id] !== undefined) return memoryPayloads[id];
    return payloadStore("readonly", (store) => store && store.get(id));
  }

  function dropPayload(id) {
    delete memoryPayloads[id];
    payloadStore("readwrite", (store) => store && store.delete(id));
  }

  // ----- What the page says about the office.
  function showHeard() {
    const line = $("heard");
    if (!lastHeard) {
      // not heard at all since the page opened
      line.textContent = !token ? "" : fresh || !unreachable ? "Waiting for the office\u2026" : "The office cannot be reached just now.";
      line.classList.toggle("stale", Boolean(token && unreachable));
    } else {
      const stale = Date.now() - lastHeard.getTime() > STALE_MS;
      line.textContent = stale
        ? "Not heard from the office since " + clock(lastHeard) + ". The office computer may be off or out of reach."
        : "Last heard from the office " + clock(lastHeard);
      line.classList.toggle("stale", stale);
    }
    const asOf = $("asOf");
    asOf.hidden = !dayShown || fresh;
    asOf.textContent = dayShown ? "As of " + clock(new Date(dayShown.at)) : "";
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

  // A picture's upload, with its progress shown on the card. Resolves to { status, data } like an answer, rejects
  // when no answer came.
  function upload(path, body, onProgress) {
    return new Promise((resolve, reject) => {
      const xhr = new XMLHttpRequest();
      xhr.open("POST", path);
      xhr.setRequestHeader("Authorization", "Bearer " + token);
      xhr.setRequestHeader("Content-Type", "application/json");
      xhr.timeout = UPLOAD_TIMEOUT_MS;
      xhr.upload.onprogress = (event) => {
        if (event.lengthComputable) onProgress(Math.floor((100 * event.loaded) / event.total));
      };
      xhr.onload = () => {
        let data = null;
        try {
          data = JSON.parse(xhr.responseText);
        } catch (e) {
          // no text given
        }
        resolve({ status: xhr.status, ok: xhr.status >= 200 && xhr.status < 300, data: data });
      };
      xhr.onerror = xhr.ontimeout = xhr.onabort = () => reject(new TypeError("no answer"));
      xhr.send(JSON.stringify(body));
    });
  }

  function refusalText(status, data) {
    if (data && typeof data.error === "string") return data.error;
    return "The office did not take it (" + status + ").";
  }

  async function errorText(response) {
    let data = null;
    try {
      data = await response.json();
    } catch (e) {
      // no text given
    }
    return refusalText(response.status, data);
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
      box.hidden = true;
      tap(slip, send.dataset.action, body);
    });
    box.append(caption, area, send);
    box.hidden = true;
    return box;
  }

  function photoPicker(slip) {
    const label = el("label", "button secondary photo", "Add photo");
    const input = el("input");
    input.type = "file";
    input.accept = "image/*";
    input.setAttribute("capture", "environment");
    input.id = "photo-" + slip.slip;
    input.className = "visually-hidden";
    input.tabIndex = -1; // reached through its label, which the keyboard and a screen reader take as the button
    input.dataset.action = "photo";
    input.dataset.slip = slip.slip;
    label.htmlFor = input.id;
    label.setAttribute("role", "button");
    label.tabIndex = 0;
    label.addEventListener("keydown", (event) => {
      if (event.key === "Enter" || event.key === " ") {
        event.preventDefault();
        input.click();
      }
    });
    input.addEventListener("change", () => {
      const file = input.files && input.files[0];
      input.value = "";
      if (file) addPhoto(slip, file);
    });
    const box = el("span", "picker");
    box.append(input, label);
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
    card.append(el("p", "photos"));
    if (slip.signed) card.append(el("p", "signed", slip.signed));

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
    const extras = el("div", "buttons");
    if (slip.status !== "Complete") extras.append(photoPicker(slip));
    if (!slip.signed) extras.append(slipButton(slip, "secondary", "Customer signs", "sign", () => openPad(slip)));
    card.append(buttons, note, reason, extras, el("p", "message"));
    card.setAttribute("role", "group");
    card.setAttribute("aria-label", "Slip " + slip.slip + ", " + slip.customer);
    return card;
  }

  function render(day) {
    $("title").textContent = day.technician ? day.technician + "'s day" : "My day";
    const days = $("days");
    const parts = [];
    for (const key of Object.keys(slips)) delete slips[key];
    for (const part of day.days) {
      parts.push(el("h2", null, part.title));
      if (!part.slips.length) parts.push(el("p", "none", "No slips."));
      for (const slip of part.slips) {
        slips[slip.slip] = slip;
        parts.push(slipCard(slip));
      }
    }
    days.replaceChildren(...parts);
    showSending();
  }

  // What each card is waiting for or was last told, and the day's confirmations at the top; drawn again after
  // every change and every refresh, so that a refresh never wipes them.
  function showSending() {
    const done = confirmations();
    const sending = outbox();
    const refused = refusals();
    for (const card of document.querySelectorAll("article.slip")) {
      const slipNo = card.id.slice(5);
      const slip = slips[slipNo] || {};
      const mine = sending.filter((item) => String(item.slip) === slipNo);
      const has = (...actions) => mine.some((item) => actions.includes(item.action));
      const finishing = has("complete", "cantfinish");
      const photos = (slip.photos || 0) + mine.filter((item) => item.action === "photo").length;
      for (const b of card.querySelectorAll("button")) {
        const action = b.dataset.action;
        if (action === "start") b.disabled = has("start") || finishing;
        else if (action === "sign") b.disabled = has("signature") || finishing;
        else b.disabled = finishing;
      }
      const picker = card.querySelector(".picker");
      if (picker) {
        const full = photos >= MAX_PHOTOS || finishing;
        picker.hidden = finishing;
        picker.querySelector("input").disabled = full;
        picker.querySelector("label").classList.toggle("disabled", full);
        picker.querySelector("label").setAttribute("aria-disabled", String(full));
      }
      card.querySelector(".photos").textContent =
        photos ? (photos === 1 ? "1 photo" : photos + " photos") + (photos >= MAX_PHOTOS ? " (no more can be added)" : "") : "";

      const message = card.querySelector(".message");
      const last = done.filter((line) => String(line.slip) === slipNo).pop();
      if (mine.length) {
        const going = sendingNow && mine.some((item) => item.id === sendingNow.id);
        const words = mine.map((item) => WAITING_WORDS[item.action] || item.action).join(", ");
        message.className = "message sending";
        message.textContent = going
          ? "Sending " + words + "\u2026" + (sendingNow.progress !== null ? " " + sendingNow.progress + "%" : "")
          : "Waiting to send: " + words + ". It goes as soon as the office answers.";
        if (refused[slipNo]) message.textContent = refused[slipNo] + "\n" + message.textContent;
      } else if (refused[slipNo]) {
        message.className = "message";
        message.textContent = refused[slipNo];
      } else {
        message.className = last ? "message ok" : "message";
        message.textContent = last ? last.text : "";
      }
    }
    // A refusal of a slip no longer on the page (completed or moved by the office meanwhile) is said at the top.
    const lines = done.map((line) => el("li", null, "Slip " + line.slip + ": " + line.text));
    for (const slip of Object.keys(refused)) {
      if (!document.getElementById("slip-" + slip)) lines.push(el("li", "refused", "Slip " + slip + ": " + refused[slip]));
    }
    $("done").replaceChildren(...lines);
    $("doneToday").hidden = !lines.length;
  }

  function say(slip, text) {
    const message = document.querySelector("#slip-" + slip + " .message");
    if (message) {
      message.className = "message";
      message.textContent = text;
    }
  }

  // A change of the technician's: it gets its id at once and waits in the queue until the office answers, through
  // lost answers, an office out of reach and reloads of the page.
  function queue(item) {
    const waiting = outbox();
    waiting.push(item);
    keep(OUTBOX_KEY, waiting);
    setRefusal(item.slip, null);
    showSending();
    pump();
  }

  // A tap on Start, Send Complete or Send Can't finish.
  function tap(slip, action, body) {
    const waiting = outbox().filter((item) => String(item.slip) === String(slip.slip));
    const finishing = waiting.some((item) => item.action === "complete" || item.action === "cantfinish");
    if (finishing || waiting.some((item) => item.action === action)) return;
    queue({ id: newRequestId(), slip: slip.slip, action: action, body: body });
  }

  // ----- Photos: shrunk on the phone to at most PHOTO_EDGE pixels on the long side, as JPEG.
  async function shrink(file) {
    const whole = await createImageBitmap(file, { imageOrientation: "from-image" });
    const scale = Math.min(1, PHOTO_EDGE / Math.max(whole.width, whole.height));
    const width = Math.max(1, Math.round(whole.width * scale));
    const height = Math.max(1, Math.round(whole.height * scale));
    const canvas = document.createElement("canvas");
    canvas.width = width;
    canvas.height = height;
    const context = canvas.getContext("2d");
    context.imageSmoothingQuality = "high";
    context.drawImage(whole, 0, 0, width, height);
    whole.close();
    const blob = await new Promise((resolve) => canvas.toBlob(resolve, "image/jpeg", PHOTO_QUALITY));
    if (!blob) throw new Error("not made");
    return base64(blob);
  }

  function base64(blob) {
    return new Promise((resolve, reject) => {
      const reader = new FileReader();
      reader.onload = () => resolve(String(reader.result).replace(/^data:[^,]*,/, ""));
      reader.onerror = () => reject(reader.error);
      reader.readAsDataURL(blob);
    });
  }

  async function addPhoto(slip, file) {
    say(slip.slip, "Preparing the photo\u2026");
    let jpeg;
    try {
      jpeg = await shrink(file);
    } catch (e) {
      say(slip.slip, "This file is not a picture the phone can read.");
      return;
    }
    const item = { id: newRequestId(), slip: slip.slip, action: "photo", body: {}, payload: true };
    await putPayload(item.id, { jpeg: jpeg });
    queue(item);
  }

  // ----- The customer's signature: a pad for a finger or a stylus, with the customer's name typed beside it.
  let padSlip = null;
  let padInk = false;

  function padContext() {
    const canvas = $("padCanvas");
    const ratio = window.devicePixelRatio || 1;
    const box = canvas.getBoundingClientRect();
    if (canvas.width !== Math.round(box.width * ratio) || canvas.height !== Math.round(box.height * ratio)) {
      canvas.width = Math.round(box.width * ratio);
      canvas.height = Math.round(box.height * ratio);
    }
    const context = canvas.getContext("2d");
    context.setTransform(ratio, 0, 0, ratio, 0, 0);
    context.lineWidth = 2.5;
    context.lineCap = "round";
    context.lineJoin = "round";
    context.strokeStyle = "#000";
    return context;
  }

  function clearPad() {
    const canvas = $("padCanvas");
    const context = padContext();
    context.save();
    context.setTransform(1, 0, 0, 1, 0, 0);
    context.fillStyle = "#fff";
    context.fillRect(0, 0, canvas.width, canvas.height);
    context.restore();
    padInk = false;
    $("padMessage").textContent = "";
  }

  function openPad(slip) {
    padSlip = slip;
    $("padTitle").textContent = "Customer signs: slip " + slip.slip;
    $("padName").value = slip.customer || "";
    $("pad").showModal();
    clearPad();
  }

  function setUpPad() {
    const canvas = $("padCanvas");
    let drawing = null;
    const point = (event) => {
      const box = canvas.getBoundingClientRect();
      return [event.clientX - box.left, event.clientY - box.top];
    };
    canvas.addEventListener("pointerdown", (event) => {
      event.preventDefault();
      canvas.setPointerCapture(event.pointerId);
      drawing = event.pointerId;
      const context = padContext();
      const [x, y] = point(event);
      context.beginPath();
      context.moveTo(x, y);
      context.lineTo(x + 0.1, y + 0.1);
      context.stroke();
      padInk = true;
    });
    canvas.addEventListener("pointermove", (event) => {
      if (drawing !== event.pointerId) return;
      const context = padContext();
      const [x, y] = point(event);
      context.lineTo(x, y);
      context.stroke();
    });
    const stop = (event) => {
      if (drawing === event.pointerId) drawing = null;
    };
    canvas.addEventListener("pointerup", stop);
    canvas.addEventListener("pointercancel", stop);
    $("padClear").addEventListener("click", clearPad);
    $("padCancel").addEventListener("click", () => $("pad").close());
    $("padDone").addEventListener("click", async () => {
      const name = $("padName").value.replace(/\s+/g, " ").trim();
      if (!name) {
        $("padMessage").textContent = "Type the customer's name.";
        $("padName").focus();
        return;
      }
      if (!padInk) {
        $("padMessage").textContent = "The customer signs in the box first.";
        return;
      }
      const png = canvas.toDataURL("image/png").replace(/^data:[^,]*,/, "");
      const slip = padSlip;
      $("pad").close();
      const item = { id: newRequestId(), slip: slip.slip, action: "signature", body: { name: name }, payload: true };
      await putPayload(item.id, { png: png });
      queue(item);
    });
  }

  // ----- The queue: one change at a time, oldest first; a change without an answer is sent again with the same
  // id (the office stores it once whatever became of the answers before), and the ones after it wait.
  function settle(item, refusal) {
    keep(OUTBOX_KEY, outbox().filter((other) => other.id !== item.id));
    if (item.payload) dropPayload(item.id);
    if (refusal) setRefusal(item.slip, refusal);
  }

  function confirm(item, data) {
    const lines = confirmations();
    const text =
      item.action === "signature" && data && typeof data.signed === "string" && data.signed
        ? data.signed
        : DONE_WORDS[item.action] + " " + ((data && data.at) || clock(new Date()));
    lines.push({ slip: item.slip, text: text });
    keep(DONE_KEY, { day: localDay(), lines: lines });
    setRefusal(item.slip, null); // an earlier refusal of the slip is behind it now
  }

  // Sends one change; true when the office answered it (taken or refused), false when no answer came.
  async function deliver(item) {
    const path = "/api/slip/" + item.slip + "/" + item.action;
    let status = 0;
    let data = null;
    let response = null;
    sendingNow = { id: item.id, progress: null };
    showSending();
    if (item.payload) {
      const payload = await getPayload(item.id);
      if (!payload) {
        settle(item, "The picture was lost on this phone before it was sent. Take it again.");
        return true;
      }
      const answer = await upload(path, Object.assign({}, item.body, payload, { request: item.id }), (percent) => {
        sendingNow.progress = percent;
        showSending();
      });
      status = answer.status;
      data = answer.data;
    } else {
      const abort = new AbortController();
      const timer = window.setTimeout(() => abort.abort(), SEND_TIMEOUT_MS);
      try {
        response = await call("POST", path, Object.assign({}, item.body, { request: item.id }), abort.signal);
      } finally {
        window.clearTimeout(timer);
      }
      status = response.status;
    }
    lastHeard = new Date();
    if (status >= 200 && status < 300) {
      if (response) data = await response.json();
      settle(item);
      confirm(item, data);
      etag = null;
      return true;
    }
    if (status === 401) {
      settle(item);
      forgetToken();
      return true;
    }
    if ([400, 404, 409, 413, 415, 422, 503].includes(status)) {
      // The office looked at it and said no (or that it could not store it): its own words are shown.
      settle(item, response ? await errorText(response) : refusalText(status, data));
      return true;
    }
    return false;
  }

  async function pump() {
    if (pumping || !token) return;
    pumping = true;
    window.clearTimeout(pumpTimer);
    let sent = 0;
    try {
      for (let item = outbox()[0]; item && token; item = outbox()[0]) {
        let answered = false;
        try {
          answered = await deliver(item);
        } catch (e) {
          // no answer: the change may or may not be stored; the same request goes again
        }
        sendingNow = null;
        if (!answered) {
          tries += 1;
          pumpTimer = window.setTimeout(pump, Math.min(2000 * tries, 15000));
          break;
        }
        tries = 0;
        sent += 1;
      }
    } finally {
      pumping = false;
      sendingNow = null;
    }
    showSending();
    showHeard();
    if (sent) await refresh();
  }

  function forgetToken() {
    window.localStorage.removeItem(TOKEN_KEY);
    window.localStorage.removeItem(DAY_KEY);
    token = null;
    etag = null;
    dayShown = null;
    showPairing("This phone is no longer paired. Ask the office for a new code.");
  }

  function showDay(day, at) {
    dayShown = { day: day, at: at };
    $("pairing").hidden = true;
    render(day);
  }

  async function refresh() {
    if (!token) {
      showHeard();
      return;
    }
    try {
      const response = await call("GET", "/api/day");
      unreachable = false;
      if (response.status === 304) {
        lastHeard = new Date();
        fresh = true;
        if (dayShown) {
          dayShown.at = lastHeard.getTime();
          keep(DAY_KEY, dayShown);
        }
      } else if (response.ok) {
        lastHeard = new Date();
        fresh = true;
        etag = response.headers.get("ETag");
        const day = await response.json();
        keep(DAY_KEY, { day: day, at: lastHeard.getTime() });
        showDay(day, lastHeard.getTime());
      } else if (response.status === 401) {
        forgetToken();
      }
      // the office answers again: what waited goes now
      if (outbox().length && !pumping) pump();
    } catch (e) {
      fresh = false; // out of reach: the day stays as last sent, with its time
      unreachable = true;
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
      pump();
    } catch (e) {
      $("pairMessage").textContent = "The office cannot be reached.";
    } finally {
      $("pairButton").disabled = false;
    }
  }

  function start() {
    takeTokenFromAddress();
    $("pairForm").addEventListener("submit", pair);
    setUpPad();
    if (!token) showPairing();
    else {
      // The day as last sent, until the office answers.
      const kept = stored(DAY_KEY, null);
      if (kept && kept.day && Array.isArray(kept.day.days)) showDay(kept.day, kept.at);
      showSending();
      refresh();
      pump(); // left unanswered before the page was closed or reloaded
    }
    showHeard();
    window.setInterval(refresh, POLL_MS);
    window.setInterval(showHeard, 5000);
    window.addEventListener("online", () => {
      tries = 0;
      refresh();
    });
    document.addEventListener("visibilitychange", () => {
      if (!document.hidden) refresh();
    });
    // The page's own files kept on the phone, so that it opens without a connection where the phone trusts the
    // office's certificate; elsewhere the browser refuses and the page works while it stays open.
    if ("serviceWorker" in navigator && window.isSecureContext) {
      navigator.serviceWorker.register("/sw.js", { scope: "/" }).catch(() => {});
    }
  }

  start();
})();
