"use strict";
// The server answers the password with a session cookie (204), or says why not.

const message = document.getElementById("login-message");

function seconds(retryAfter) {
  return retryAfter === "1" ? "1 second" : `${retryAfter} seconds`;
}

document.getElementById("login-form").addEventListener("submit", async (event) => {
  event.preventDefault();
  message.textContent = "";
  const password = document.getElementById("password").value;
  try {
    const answer = await fetch("/login", { method: "POST", body: new URLSearchParams({ password }) });
    // 404: this panel needs no password after all.
    if (answer.status === 204 || answer.status === 404) {
      location.assign("/");
    } else if (answer.status === 401) {
      message.textContent = "Wrong password";
    } else if (answer.status === 429) {
      message.textContent = `Too many tries: wait ${seconds(answer.headers.get("Retry-After"))}`;
    } else {
      message.textContent = `The panel answered ${answer.status} ${answer.statusText}`;
    }
  } catch {
    message.textContent = "The panel does not answer";
  }
});
